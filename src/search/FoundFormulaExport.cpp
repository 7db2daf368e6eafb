#include "search/FoundFormulaExport.h"

#include "formula/FormulaTextExport.h"

#include "platform/Launcher.h"
#include "platform/TextCodec.h"

#include <QDir>
#include <QSaveFile>

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
    QSaveFile file(out.path);
    if (!file.open(QIODevice::WriteOnly) || file.write(*bytes) != bytes->size() || !file.commit()) {
        out.error = QStringLiteral("无法写入文件 %1：%2").arg(QDir::toNativeSeparators(out.path), file.errorString());
        return out;
    }
    if (!launcher.openTextFile(out.path)) {
        out.error = QStringLiteral("文件已写入 %1，但无法打开文本编辑器。").arg(QDir::toNativeSeparators(out.path));
        return out;
    }
    out.ok = true;
    return out;
}

} // namespace korvel
