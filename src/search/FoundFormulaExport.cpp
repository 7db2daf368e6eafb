#include "search/FoundFormulaExport.h"

#include "formula/FormulaTextExport.h"

#include "platform/FileWrite.h"
#include "platform/Launcher.h"
#include "platform/TextCodec.h"

#include <QDir>
#include <QFileInfo>

namespace korvel {

namespace {

QString markerLine(int count)
{
    return QString::number(count) + QString(12 + 14, QChar(0x2014)) + QStringLiteral("Korvel 公式搜索 Korvel 开发组");
}

} // namespace

QString foundFormulaFileName(const QString& nextIssue)
{
    return nextIssue + QStringLiteral("期3D彩公式.txt");
}

QStringList foundFormulaExportLines(const QStringList& results)
{
    // The formula export's header (line 1 empty), so the two kinds of formula file begin alike.
    QStringList out = formulaExportHeader();
    for (int i = 1; i <= results.size(); ++i) {
        out << results[i - 1];
        if (i % 50 == 0) {
            out << markerLine(i);
        }
    }
    out << markerLine(static_cast<int>(results.size()));
    return out;
}

ExportOutcome exportFoundFormulas(const QString& folder, const QString& nextIssue, const QStringList& results,
                                  Launcher& launcher)
{
    ExportOutcome out;
    out.path = QDir(folder).filePath(foundFormulaFileName(nextIssue));
    const auto bytes = textcodec::gbkLines(foundFormulaExportLines(results));
    if (!bytes) {
        out.error = QStringLiteral("公式文本含有无法以 GBK 编码保存的字符，文件没有写入。");
        return out;
    }
    QString why;
    if (!writeWholeFile(out.path, *bytes, &why)) {
        out.error = QStringLiteral("无法写入文件 %1：%2").arg(QDir::toNativeSeparators(out.path), why);
        return out;
    }
    if (!launcher.openTextFile(out.path)) {
        out.error = QStringLiteral("文件已写入 %1，但无法打开文本编辑器。").arg(QDir::toNativeSeparators(out.path));
        return out;
    }
    out.ok = true;
    return out;
}

QString keepUnsavedFormulas(const QString& folder, const QStringList& texts, const QDateTime& now, QString* error)
{
    const QString stamp = now.toString(QStringLiteral("yyyyMMdd_HHmmss"));
    QString path = QDir(folder).filePath(QStringLiteral("未保存的搜索公式_%1.txt").arg(stamp));
    // Never over an earlier file of the kind: it may hold formulas not read back yet.
    for (int n = 2; QFileInfo::exists(path); ++n) {
        path = QDir(folder).filePath(QStringLiteral("未保存的搜索公式_%1_%2.txt").arg(stamp).arg(n));
    }
    const std::optional<QByteArray> gbk = textcodec::gbkLines(texts);
    QString why;
    if (!writeWholeFile(path, gbk ? *gbk : texts.join(QStringLiteral("\r\n")).toUtf8(), &why)) {
        if (error) {
            *error = why;
        }
        return {};
    }
    return path;
}

} // namespace korvel
