#include "formula/FormulaTextExport.h"

#include "formula/FormulaStore.h"
#include "platform/Dialogs.h"
#include "platform/FileWrite.h"
#include "platform/Launcher.h"
#include "platform/TextCodec.h"

#include <QDir>

namespace korvel {

namespace {

constexpr int kSeparatorEvery = 50;

// The product's own lines of the file (download page, contact, separator tail).
const QString& downloadPage()
{
    static const QString s = QStringLiteral("Korvel 3D彩公式工具下载：https://korvel.example.org/download");
    return s;
}

const QString& contact()
{
    static const QString s = QStringLiteral("联系我们：korvel@example.org");
    return s;
}

QString tenBlanks()
{
    return QString(10, QLatin1Char(' '));
}

QString safeFileNamePart(QString text)
{
    static const QString forbidden = QStringLiteral("/\\:*?\"<>|");
    for (QChar& c : text) {
        if (forbidden.contains(c) || c.unicode() < 0x20) {
            c = QLatin1Char('_');
        }
    }
    return text;
}

QByteArray encodeLine(const QString& line)
{
    if (auto bytes = textcodec::encodeGbk(line)) {
        return *bytes;
    }
    QByteArray out;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const qsizetype n = line[i].isHighSurrogate() && i + 1 < line.size() ? 2 : 1;
        const auto bytes = textcodec::encodeGbk(line.mid(i, n));
        out += bytes ? *bytes : QByteArray("?");
        i += n - 1;
    }
    return out;
}

} // namespace

QStringList formulaExportHeader()
{
    return {QString(), tenBlanks() + downloadPage(), tenBlanks() + contact(), QString()};
}

QString formulaExportLine(const QString& displayText, int trueLst)
{
    return displayText + QString(11, QChar(0x3000)) + QStringLiteral("连准：") + QString::number(trueLst) +
           QStringLiteral("期");
}

QString formulaExportSeparator(int count)
{
    return QString(12, QChar(0x2014)) + QString::number(count) + QStringLiteral("　Korvel 3D彩公式　") + contact();
}

int appendFormulaExportLines(QStringList& lines, const std::vector<ExportedFormula>& formulas, int counted)
{
    for (const ExportedFormula& f : formulas) {
        lines << formulaExportLine(f.displayText, f.trueLst);
        if (++counted % kSeparatorEvery == 0) {
            lines << formulaExportSeparator(counted);
        }
    }
    return counted;
}

QString allKindsExportFileName(const QString& nextIssue)
{
    return safeFileNamePart(nextIssue) + QStringLiteral("期3D彩公式.txt");
}

QString kindExportFileName(const QString& nextIssue, const FormulaKind& kind, bool kill)
{
    return safeFileNamePart(nextIssue) + QStringLiteral("期3D彩") + kind.label() + senseWord(kill) +
           QStringLiteral("公式.txt");
}

QByteArray formulaExportBytes(const QStringList& lines)
{
    QByteArray out;
    for (const QString& line : lines) {
        out += encodeLine(line);
        out += "\r\n";
    }
    return out;
}

const std::vector<FormulaKind>& allKindsExportOrder()
{
    static const std::vector<FormulaKind> order = {
        {3, Play::Single}, {2, Play::Single}, {1, Play::Single}, {3, Play::Group}, {2, Play::Group},
    };
    return order;
}

TextExportResult writeFormulaExport(const QStringList& lines, const QString& path, int formulas, Dialogs& dialogs,
                                    Launcher& launcher)
{
    TextExportResult result;
    if (!writeWholeFile(path, formulaExportBytes(lines), &result.error)) {
        dialogs.message(QStringLiteral("公式导出"),
                        QStringLiteral("无法写入“%1”：%2").arg(QDir::toNativeSeparators(path), result.error),
                        Dialogs::Buttons::Ok, Dialogs::Icon::Warning);
        return result;
    }
    result.path = path;
    result.formulas = formulas;
    if (!launcher.openTextFile(path)) {
        dialogs.message(QStringLiteral("公式导出"),
                        QStringLiteral("公式已导出到“%1”，但无法打开文本编辑器。").arg(QDir::toNativeSeparators(path)),
                        Dialogs::Buttons::Ok, Dialogs::Icon::Information);
    }
    return result;
}

} // namespace korvel
