// The search session's found formulas: the result list, saving to the formula tables and the text export.
#include "formula/FormulaStore.h"
#include "platform/Dialogs.h"
#include "search/FoundFormulaExport.h"
#include "search/SearchHost.h"
#include "search/SearchKind.h"
#include "search/SearchSession.h"

#include <QDir>

#include <algorithm>

namespace korvel {

QStringList SearchSession::resultLines() const
{
    return m_runner.locked([&] { return m_record.lines; });
}

QStringList SearchSession::resultNotes() const
{
    return m_runner.locked([&] { return m_record.notes; });
}

QStringList SearchSession::rejectedLines() const
{
    return m_runner.locked([&] { return m_record.rejected; });
}

std::vector<ResultFigures> SearchSession::resultFigures() const
{
    return m_runner.locked([&] { return m_record.figures; });
}

std::vector<FoundFormula> SearchSession::foundFormulas() const
{
    return m_runner.locked([&] { return m_record.found; });
}

QString SearchSession::withUnsavedKept(const QString& error, const std::vector<FoundFormula>& entries) const
{
    // A night's search is not thrown away because the table could not take it: its formulas go to a file.
    QStringList texts;
    texts.reserve(static_cast<qsizetype>(entries.size()));
    for (const FoundFormula& f : entries) {
        texts << f.displayText;
    }
    if (texts.isEmpty()) {
        return error;
    }
    QString why;
    const QString kept = keepUnsavedFormulas(m_host.dataFolder(), texts, QDateTime::currentDateTime(), &why);
    if (kept.isEmpty()) {
        return error + QStringLiteral("\n找到的 %1 条公式也未能写入文件（%2）。").arg(texts.size()).arg(why);
    }
    return error + QStringLiteral("\n找到的 %1 条公式已写入 %2，可以用“读取公式文本(N)”读入。")
                       .arg(texts.size())
                       .arg(QDir::toNativeSeparators(kept));
}

bool SearchSession::appendToDatabase()
{
    return save(true);
}

bool SearchSession::updateToDatabase()
{
    return save(false);
}

bool SearchSession::save(bool append)
{
    const SavePath path = m_schemeFlag ? (append ? SavePath::AutomaticAppend : SavePath::AutomaticReplace)
                                       : (append ? SavePath::ManualAppend : SavePath::ManualReplace);
    const std::vector<FoundFormula> entries = foundFormulas();
    const SaveOutcome out = saveFoundFormulas(m_host.database(), m_host.formulaStore(), entries, m_kill, path);
    if (!out.ok) {
        m_host.dialogs().message(saveTitle(path), withUnsavedKept(out.error, entries), Dialogs::Buttons::Ok,
                                 Dialogs::Icon::Critical);
        return false;
    }
    for (const FlagChange& f : out.flags) {
        m_host.setSelected(f.idxs, f.selected);
    }
    // A running search may have added results meanwhile: only the saved ones are consumed.
    m_runner.locked([&] {
        const auto n = std::min(entries.size(), m_record.found.size());
        m_record.found.erase(m_record.found.begin(), m_record.found.begin() + static_cast<std::ptrdiff_t>(n));
        return 0;
    });
    if (!isAutomatic(path) && out.lastKind) {
        setPosition(out.lastKind->position);
        setPlay(out.lastKind->play);
    }
    for (const FormulaKind& k : out.tables) {
        m_existing[static_cast<std::size_t>(kindNumberOf(k) - 1)] = m_host.formulaStore().count(k);
    }
    m_host.refreshAfterSave();
    m_host.dialogs().message(saveTitle(path), saveMessage(path, out), Dialogs::Buttons::Ok,
                             out.notStored > 0 ? Dialogs::Icon::Warning : Dialogs::Icon::Information);
    return true;
}

bool SearchSession::exportText()
{
    const ExportOutcome out =
        exportFoundFormulas(m_host.dataFolder(), m_host.nextIssue(), resultLines(), m_host.launcher());
    if (!out.ok) {
        m_host.dialogs().message(QStringLiteral("公式中文导出"), out.error, Dialogs::Buttons::Ok,
                                 Dialogs::Icon::Warning);
    }
    return out.ok;
}

} // namespace korvel
