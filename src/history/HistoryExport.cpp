#include "history/HistoryExport.h"

#include "platform/FileWrite.h"
#include "history/HistorySnapshot.h"
#include "history/Param.h"
#include "platform/Launcher.h"
#include "platform/TextCodec.h"

#include <QDir>
#include <QStringList>

namespace korvel {

namespace {

// The verify issue comes from a field the user can type into; it must not lead the file elsewhere.
bool safeFileNamePart(const QString& text)
{
    for (const QChar c : text) {
        if (c.unicode() < 0x20 || QStringView(u"/\\:*?\"<>|").contains(c)) {
            return false;
        }
    }
    return true;
}

} // namespace

QString historyExportFileName(const QString& verifyIssue)
{
    return QStringLiteral("更新至") + verifyIssue + QStringLiteral("期历史号码.txt");
}

namespace {

std::optional<QByteArray> exportBytes(const HistorySnapshot& history)
{
    QStringList lines;
    lines.reserve(history.size());
    const auto d1 = history.column(Param::L1A);
    const auto d2 = history.column(Param::L2A);
    const auto d3 = history.column(Param::L3A);
    for (int r = 0; r < history.size(); ++r) {
        const auto i = static_cast<std::size_t>(r);
        lines << history.issue(r) + QLatin1Char(' ') + QString::number(d1[i]) + QString::number(d2[i]) +
                     QString::number(d3[i]);
    }
    return textcodec::gbkLines(lines);
}

} // namespace

QByteArray historyExportBytes(const HistorySnapshot& history)
{
    return exportBytes(history).value_or(QByteArray());
}

HistoryExportResult exportHistoryText(const HistorySnapshot& history, const QString& dataFolder,
                                      const QString& verifyIssue, Launcher& launcher)
{
    HistoryExportResult result;
    if (!safeFileNamePart(verifyIssue)) {
        result.error = QStringLiteral("期号“%1”含有不能用于文件名的字符，未导出。").arg(verifyIssue);
        return result;
    }
    const std::optional<QByteArray> bytes = exportBytes(history);
    if (!bytes) {
        result.error = QStringLiteral("期号含有不能写成文本文件的字符，未导出。");
        return result;
    }
    const QString path = QDir(dataFolder).filePath(historyExportFileName(verifyIssue));
    QString why;
    if (!writeWholeFile(path, *bytes, &why)) {
        result.error = QStringLiteral("无法写入文件 %1：%2").arg(QDir::toNativeSeparators(path), why);
        return result;
    }
    result.path = path;
    result.opened = launcher.openTextFile(path);
    if (!result.opened) {
        result.error =
            QStringLiteral("历史号码已导出到 %1，但无法打开文本编辑器。").arg(QDir::toNativeSeparators(path));
    }
    return result;
}

} // namespace korvel
