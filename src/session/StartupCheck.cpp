#include "session/StartupCheck.h"

#include "session/Version.h"

namespace korvel {

EarlyAction earlyAction(const QStringList& arguments)
{
    for (const QString& arg : arguments) {
        if (arg == QLatin1String("--")) {
            break;
        }
        if (arg == QLatin1String("--help") || arg == QLatin1String("-h") || arg == QLatin1String("-?")) {
            return EarlyAction::Help;
        }
        if (arg == QLatin1String("--version") || arg == QLatin1String("-v")) {
            return EarlyAction::Version;
        }
    }
    return EarlyAction::Run;
}

QString guiHelpText()
{
    return QStringLiteral("用法: korvel [--data-dir DIR]\n"
                          "\n"
                          "福彩3D / 体彩排列3 历史号码与公式工具（窗口程序）。\n"
                          "\n"
                          "选项:\n"
                          "  --data-dir DIR   存放 formula.mdb 与导出文件的文件夹（否则 $KORVEL_DATA_DIR，\n"
                          "                   再否则 ~/.local/share/3VER）\n"
                          "  -h, --help       显示本说明\n"
                          "  -v, --version    显示版本\n"
                          "\n"
                          "没有图形显示时请用 korvel-cli（korvel-cli --help），或设置 QT_QPA_PLATFORM=offscreen。\n");
}

QString versionLine(const QString& program)
{
    return program + QLatin1Char(' ') + QString::fromLatin1(kVersion);
}

namespace {
QString noDisplayLine(const QString& why)
{
    return QStringLiteral("korvel: %1；没有窗口也能用 korvel-cli（korvel-cli --help），"
                          "或设置 QT_QPA_PLATFORM（例如 QT_QPA_PLATFORM=offscreen）。")
        .arg(why);
}
} // namespace

QString missingDisplayMessage(const QProcessEnvironment& environment)
{
    const bool x11 = !environment.value(QStringLiteral("DISPLAY")).isEmpty();
    const bool wayland = !environment.value(QStringLiteral("WAYLAND_DISPLAY")).isEmpty();
    // The plugin list may name several ("wayland;xcb"); any one that can start is enough.
    const QStringList plugins =
        environment.value(QStringLiteral("QT_QPA_PLATFORM")).split(QLatin1Char(';'), Qt::SkipEmptyParts);
    if (plugins.isEmpty()) {
        return x11 || wayland ? QString()
                              : noDisplayLine(QStringLiteral("没有图形显示（DISPLAY 与 WAYLAND_DISPLAY 都未设置）"));
    }
    for (const QString& entry : plugins) {
        const QString plugin = entry.section(QLatin1Char(':'), 0, 0).trimmed();
        if (plugin == QLatin1String("xcb") ? x11 : plugin.startsWith(QLatin1String("wayland")) ? wayland : true) {
            return {};
        }
    }
    return noDisplayLine(QStringLiteral("平台插件 %1 没有可用的图形显示").arg(plugins.join(QLatin1Char(';'))));
}

QString displayFailedMessage(const QString& reason)
{
    return noDisplayLine(QStringLiteral("无法打开图形显示（%1）").arg(reason.trimmed()));
}

} // namespace korvel
