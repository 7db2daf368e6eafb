// Storing an import: the lines read, decided and stored in one transaction, and the file command
// "读取公式文本(N)" around it.
#include "formula/FormulaImport.h"

#include "formula/FormulaImportPlan.h"
#include "formula/FormulaImportSupport.h"
#include "formula/FormulaStore.h"
#include "platform/Database.h"
#include "platform/Dialogs.h"
#include "platform/Launcher.h"
#include "platform/TextCodec.h"

#include <SQLiteCpp/Transaction.h>

#include <QDir>
#include <QFile>

#include <exception>

namespace korvel {

namespace {

// GBK with CR LF; a text GBK cannot hold (from a UTF-8 file) is written as UTF-8 with a BOM, which the
// import and every editor read back.
QByteArray reportBytes(const QStringList& lines)
{
    if (auto gbk = textcodec::gbkLines(lines)) {
        return *gbk;
    }
    QByteArray out("\xEF\xBB\xBF");
    for (const QString& line : lines) {
        out += line.toUtf8() + "\r\n";
    }
    return out;
}

QString importTitle()
{
    return QStringLiteral("读取公式文本");
}

} // namespace

FormulaImportResult importFormulaLines(Database& db, FormulaStore& store, const QStringList& lines,
                                       const FormulaKind& listedKind, bool kill, FormulaImportMode mode)
{
    FormulaImportResult result;
    FormulaKind current = listedKind;
    bool currentKill = kill;
    try {
        SQLite::Transaction tx(db.sql());
        if (mode == FormulaImportMode::Replace) {
            store.clearAll();
        }
        // Every line is read and decided first; the store sees one batch per table at the end.
        FormulaImportPlan plan(store, listedKind, mode);
        const std::function<bool(const FormulaKind&)> tableFull = [&plan](const FormulaKind& k) {
            return plan.full(k);
        };
        int number = 0;
        for (const QString& line : lines) {
            FormulaTextLine read = readFormulaLine(line, current, currentKill, tableFull);
            read.number = ++number;
            switch (read.outcome) {
            case FormulaTextLine::Outcome::Blank:
                ++result.blank;
                break;
            case FormulaTextLine::Outcome::Skipped:
                ++result.skipped;
                break;
            case FormulaTextLine::Outcome::Unrecognised:
                result.unrecognised.push_back(std::move(read));
                break;
            case FormulaTextLine::Outcome::TableFull:
                ++result.notStored;
                break;
            case FormulaTextLine::Outcome::Recognised:
                if (!plan.take(read)) {
                    ++result.notStored; // the table is full
                    break;
                }
                ++result.stored;
                ++result.storedPerKind[static_cast<std::size_t>(kindSlot(read.kind))];
                break;
            }
        }
        plan.store();
        if (mode == FormulaImportMode::Replace && result.stored == 0) {
            // Emptying every table for a list without a single formula would only lose them.
            result.status = FormulaImportResult::Status::NoFormulas;
            return result; // rolled back
        }
        tx.commit();
    } catch (const std::exception& e) {
        FormulaImportResult failed;
        failed.status = FormulaImportResult::Status::StoreFailed;
        failed.error = QString::fromUtf8(e.what());
        failed.finalKill = kill;
        return failed;
    }
    result.finalKill = currentKill;
    return result;
}

FormulaImportResult ImportFormulaFile(Database& db, FormulaStore& store, Dialogs& dialogs, Launcher& launcher,
                                      const QString& dataFolder, const FormulaKind& listedKind, bool kill,
                                      const std::function<void(const FormulaImportResult&)>& refresh)
{
    FormulaImportResult result;
    result.finalKill = kill;
    const QString path = dialogs.openFile(importTitle(), formulaTextFolder(dataFolder), QStringLiteral("Text(*.txt)"));
    if (path.isEmpty() || !path.toLower().endsWith(QStringLiteral("txt"))) {
        result.status = FormulaImportResult::Status::NotChosen;
        return result;
    }
    result.filePath = path;

    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        result.status = FormulaImportResult::Status::UnreadableFile;
        result.error = file.errorString();
        dialogs.message(importTitle(),
                        QStringLiteral("无法打开公式文本文件“%1”：%2\n没有读入任何公式。")
                            .arg(QDir::toNativeSeparators(path), result.error),
                        Dialogs::Buttons::Ok, Dialogs::Icon::Warning);
        return result;
    }
    const std::optional<QString> text = decodeFormulaFile(file.readAll());
    if (!text) {
        result.status = FormulaImportResult::Status::UnreadableFile;
        dialogs.message(importTitle(),
                        QStringLiteral("“%1”不是可以读取的公式文本文件（既不是 GBK 也不是 UTF-8 编码的文本，"
                                       "或者文件不完整）。\n没有读入任何公式。")
                            .arg(QDir::toNativeSeparators(path)),
                        Dialogs::Buttons::Ok, Dialogs::Icon::Warning);
        return result;
    }

    result = importFormulaLines(db, store, formulaTextLines(*text), listedKind, kill, FormulaImportMode::File);
    result.filePath = path;
    if (result.status == FormulaImportResult::Status::StoreFailed) {
        dialogs.message(importTitle(), QStringLiteral("保存公式时出错（%1），没有读入任何公式。").arg(result.error),
                        Dialogs::Buttons::Ok, Dialogs::Icon::Critical);
        return result;
    }

    QStringList report;
    for (const FormulaTextLine& line : result.unrecognised) {
        report << line.reportText;
    }
    const QString reportPath = QDir(dataFolder).filePath(unrecognisedReportFileName());
    QString writeError;
    const bool reportWritten = writeWholeFile(reportPath, reportBytes(report), &writeError);
    if (reportWritten) {
        result.reportPath = reportPath;
    }

    if (refresh) {
        refresh(result);
    }
    if (result.notStored > 0) {
        dialogs.message(importTitle(), formulaLimitText(result.notStored), Dialogs::Buttons::Ok,
                        Dialogs::Icon::Warning);
    }

    if (!result.unrecognised.empty()) {
        if (!reportWritten) {
            dialogs.message(QStringLiteral("无法识别公式"),
                            QStringLiteral("公式文本文件中含有 %1 条无法识别公式，但无法写入“%2”：%3")
                                .arg(result.unrecognised.size())
                                .arg(QDir::toNativeSeparators(reportPath), writeError),
                            Dialogs::Buttons::Ok, Dialogs::Icon::Warning);
        } else if (dialogs.confirm(QStringLiteral("无法识别公式"),
                                   QStringLiteral("公式文本文件中含有无法识别公式，是否查看这些公式？"))) {
            launcher.openTextFile(reportPath);
        }
    }
    return result;
}

} // namespace korvel
