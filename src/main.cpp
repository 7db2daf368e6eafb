#include "app/Session.h"
#include "app/ui/MainWindow.h"
#include "formula/ui/FormulaTextCommands.h"
#include "history/ui/HistoryTransferCommands.h"
#include "platform/DataFolder.h"
#include "platform/SettingsStore.h"
#include "platform/ui/DesktopLauncher.h"
#include "tally/ui/TallyCommands.h"
#include "platform/ui/QtDialogs.h"

#include <QApplication>
#include <QCommandLineParser>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("3VER"));

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
    // The window exists first so that it shows every step of the start-up; the wheel hook comes with it.
    korvel::MainWindow window(session);
    dialogs.setParent(&window);
    // Draws and formulas in and out: the online updates, the file imports and the text exports.
    new korvel::HistoryTransferCommands(session, settings, &window);
    new korvel::FormulaTextCommands(session, settings, &window);
    // The tally, its result windows, the history ranking and the spreadsheet exports.
    new korvel::TallyCommands(session, window);
    session.start(folder.path());
    window.show();
    return app.exec();
}
