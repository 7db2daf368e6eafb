#pragma once

#include <QString>

namespace korvel {

class Dialogs;
class HistoryStore;

// The four deletion commands of the history. Each asks what its caption says through Dialogs, then asks
// again naming how many draws (and which issues) it will delete, deletes in one transaction, and compacts the file
// afterwards where the command always did ("删除到选定期", "删除最后指定数量期历史"). A failed deletion or compaction
// is told to the user; the data stays as it was. The caller refreshes the views when the result says something changed.
struct DeletionResult {
    bool changed = false; // rows were deleted (the history must be shown again)
    int deleted = 0;
};

// "删除最后历史(&D)": the newest draw, after the count question; nothing on an empty table. No compaction.
DeletionResult deleteLastDraw(HistoryStore& store, Dialogs& dialogs);

// "删除所有历史(&A）": every draw (`Delrec`), after "确实要删除全部 N 期历史号码吗？" (取消 the default). No
// compaction.
DeletionResult deleteAllDraws(HistoryStore& store, Dialogs& dialogs);

// "删除到选定期(&D)": asks for the issue to keep up to (default: selectedIssue minus one, empty when no
// issue was selected); deletes every draw after it. Refused (nothing happens) when the answer's last three
// characters do not read as a non-zero number, and on cancel.
DeletionResult deleteToChosenIssue(HistoryStore& store, Dialogs& dialogs, const QString& selectedIssue);

// "删除最后指定数量期历史(&E)": asks how many of the newest draws to delete (default "1"); an answer that
// reads as 0 or as no number, and cancel, do nothing; more than stored deletes all.
DeletionResult deleteLastCount(HistoryStore& store, Dialogs& dialogs);

namespace deletion {
// The exact texts of the two input boxes (shared by the windows' tests).
QString title(); // "删除期数"
QString chosenIssuePrompt();
QString lastCountPrompt();
// The confirmations: "确实要删除最后 3 期历史号码（2016003 至 2016005 期）吗？" (issues as given), and the one of
// "删除所有历史(&A）" with its title.
QString countQuestion(int count, const QString& issues);
QString allQuestion(int count);
QString allTitle();
} // namespace deletion

} // namespace korvel
