#include "session/Session.h"
#include "session/StartupCheck.h"
#include "session/Version.h"
#include "gui/MainAssembly.h"
#include "gui/MainWindow.h"
#include "gui/QtTranslation.h"
#include "history/BundledHistory.h"
#include "platform/DataFolder.h"
#include "platform/SettingsStore.h"
#include "gui/widgets/DesktopLauncher.h"
#include "gui/widgets/QtDialogs.h"

#include <QApplication>
#include <QCommandLineParser>

#include <cstdio>
#include <cstdlib>

namespace {

QtMessageHandler previousHandler = nullptr;
QString platformComplaint;

// While the application object is made: the platform plugin's complaints are held back, and its fatal end
// (Qt would abort) becomes the one line that says what to do, with exit status 1.
void startupMessageHandler(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    const bool platform = context.category && QByteArray(context.category).startsWith("qt.qpa");
    if (type == QtFatalMsg) {
        const QString reason =
            platformComplaint.isEmpty() ? message.section(QLatin1Char('\n'), 0, 0) : platformComplaint;
        std::fputs(qPrintable(korvel::displayFailedMessage(reason) + QLatin1Char('\n')), stderr);
        std::_Exit(1);
    }
    if (platform && type != QtDebugMsg) {
        if (platformComplaint.isEmpty()) {
            platformComplaint = message;
        }
        return;
    }
    previousHandler(type, context, message);
}

int printAndExit(const QString& text, std::FILE* stream, int status)
{
    std::fputs(text.toLocal8Bit().constData(), stream);
    return status;
}

} // namespace

int main(int argc, char** argv)
{
    // Settled before the application object exists: that one needs a display.
    QStringList arguments;
    for (int i = 1; i < argc; ++i) {
        arguments << QString::fromLocal8Bit(argv[i]);
    }
    switch (korvel::earlyAction(arguments)) {
    case korvel::EarlyAction::Help:
        return printAndExit(korvel::guiHelpText(), stdout, 0);
    case korvel::EarlyAction::Version:
        return printAndExit(korvel::versionLine(QStringLiteral("korvel")) + QLatin1Char('\n'), stdout, 0);
    case korvel::EarlyAction::Run:
        break;
    }
    const QString noDisplay = korvel::missingDisplayMessage(QProcessEnvironment::systemEnvironment());
    if (!noDisplay.isEmpty()) {
        return printAndExit(noDisplay + QLatin1Char('\n'), stderr, 1);
    }

    previousHandler = qInstallMessageHandler(startupMessageHandler);
    QApplication app(argc, argv);
    qInstallMessageHandler(previousHandler);
    if (!platformComplaint.isEmpty()) {
        qWarning("%s", qPrintable(platformComplaint)); // held back above; the start went on, so it is news
    }
    QApplication::setApplicationName(QStringLiteral("3VER"));
    QApplication::setApplicationVersion(QString::fromLatin1(korvel::kVersion));
    korvel::installQtTranslation(app);

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("福彩3D / 体彩排列3 历史号码与公式工具"));
    parser.addHelpOption();
    parser.addOption(
        {QStringLiteral("data-dir"), QStringLiteral("存放 formula.mdb 与导出文件的文件夹"), QStringLiteral("DIR")});
    parser.process(app);

    QStringList folderArguments;
    if (parser.isSet(QStringLiteral("data-dir"))) {
        folderArguments << QStringLiteral("--data-dir") << parser.value(QStringLiteral("data-dir"));
    }
    const korvel::DataFolder folder = korvel::DataFolder::resolve(folderArguments);

    korvel::SettingsStore settings;
    korvel::QtDialogs dialogs;
    korvel::DesktopLauncher launcher;
    QString error;
    if (!folder.ensureExists(&error)) {
        dialogs.message(QStringLiteral("数据文件夹"), error, korvel::Dialogs::Buttons::Ok,
                        korvel::Dialogs::Icon::Critical);
        return 1;
    }

    korvel::Session session(settings, dialogs, launcher);
    session.setBundledFolders(korvel::bundledHistoryFolders());
    // The window exists first so that it shows every step of the start-up; the commands come with it.
    korvel::MainAssembly assembly(session, settings);
    korvel::MainWindow& window = assembly.window();
    dialogs.setParent(&window);
    session.start(folder.path());
    window.show();
    return app.exec();
}
