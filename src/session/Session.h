#pragma once

#include "formula/FormulaKind.h"
#include "history/DrawEntry.h"
#include "history/HistorySnapshot.h"
#include "history/SnapshotPtr.h"
#include "session/ChoiceState.h"
#include "tally/SortSettings.h"
#include "verify/ChoiceHost.h"

#include <QDate>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <memory>

namespace korvel {

class Database;
class Dialogs;
struct DrawFileReport;
class FormulaList;
class FormulaStore;
class HistoryStore;
class Launcher;
class Options;
class ReportingLauncher;
class SettingsStore;

// The state the main window shows, and the commands it forwards: options, the database and the history,
// the choice panel (kind, play choice, sense, mode), the entry line's issue and date texts, the verify
// issue. The window and the command line drive a Session; it never shows a widget, every question goes
// through the Dialogs it was given. The settings store, dialogs and launcher must outlive the Session.
// GUI thread only.
//
// Views learn of changes through the signals: historyChanged() after the snapshot was replaced (the issue
// texts are already updated), optionsChanged() after any option changed, kindChanged() after the current
// formula kind or another choice of the panel (play, sense, mode) changed, entryChanged() after the issue
// or date texts changed.
//
// The formula list (`loadFormulas`) is rebuilt by reloadFormulas() and the statistics pass (`statisticsPass`) runs
// in evaluate().
class Session : public QObject {
    Q_OBJECT
public:
    // "玩法选择" (verify/ChoiceHost.h).
    using PlayChoice = korvel::PlayChoice;

    Session(SettingsStore& settings, Dialogs& dialogs, Launcher& launcher, QObject* parent = nullptr);
    ~Session() override;

    // Start-up in its fixed order: options (GsZl written back), `formula.mdb` in dataFolder (created when
    // missing; a file that is not ours, a damaged one, one whose draw table cannot be read, or one that
    // cannot be opened, is told to the user, left closed and untouched, and the session goes on with an
    // empty history), the current kind, today's date in the entry line, the history snapshot, then the
    // formula list, the next issue and the statistics (not written back: start-up writes nothing to the
    // file). A missing folder is created.
    void start(const QString& dataFolder, QDate today = QDate::currentDate());
    bool started() const { return m_started; }
    const QString& dataFolder() const { return m_dataFolder; }
    // False when formula.mdb was refused, failed to open, or its draws could not be read.
    bool databaseOpen() const;

    SettingsStore& settings() { return m_settings; }
    Options& options() { return *m_options; }
    const Options& options() const { return *m_options; }
    Database& database() { return *m_database; }
    HistoryStore& history() { return *m_history; }
    FormulaStore& formulaStore() { return *m_formulaStore; }
    // The formula list of the current kind and sense; its commands that change a table re-run the
    // statistics pass.
    FormulaList& formulas() { return *m_formulas; }
    const FormulaList& formulas() const { return *m_formulas; }
    Dialogs& dialogs() { return m_dialogs; }
    // The desktop launcher given, reporting every file it hands over (fileHandedOver) to the windows.
    Launcher& launcher();
    ReportingLauncher& reportingLauncher() { return *m_launcher; }
    // Never null; empty before start().
    SnapshotPtr snapshot() const;
    // The sort keys and keep limit of the best-formula method, and the choices of "公式排序设置", for the run.
    SortSettings& sortSettings() { return m_sortSettings; }
    SortDialogState& sortDialogState() { return m_sortDialog; }

    // Choice panel: the state and its rules live in ChoiceState; a change the list must follow rebuilds the
    // list and runs the statistics, then kindChanged() (see the class comment).
    ChoiceState& choices() { return *m_choices; }
    const ChoiceState& choices() const { return *m_choices; }
    QString kindLabel() const { return m_choices->kind().label(); }
    QString currentTable() const { return m_choices->kind().tableName(); }
    bool singlePlay() const { return m_choices->kind().play == Play::Single; }

    // Entry line and verify field. nextIssue is also the run's current issue.
    const QString& nextIssue() const { return m_nextIssue; }
    void setNextIssue(const QString& issue);
    const QString& entryDate() const { return m_entryDate; }
    void setEntryDate(const QString& date);
    // Focus left the date field: "2012/5/20" becomes "2012-05-20".
    void normaliseEntryDate();
    // The issue of the history grid's row last clicked (default of "删除到选定期").
    const QString& selectedIssue() const { return m_selectedIssue; }
    void setSelectedIssue(const QString& issue) { m_selectedIssue = issue; }

    // Commands.
    // The third digit was typed: stores the draw with the entry line's issue and date; on success the
    // history is shown again, the issue advances and the date moves on one day.
    EntryResult enterDraw(const QString& box1, const QString& box2, const QString& box3);
    bool deleteLastDraw();      // "删除最后历史(&D)"
    bool deleteAllDraws();      // "删除所有历史(&A）"
    bool deleteToChosenIssue(); // "删除到选定期(&D)"
    bool deleteLastCount();     // "删除最后指定数量期历史(&E)"
    // "历史号码导出文本文件(&X)": the path written, or empty (the user was told why).
    QString exportHistoryText();
    // "修复历史期号参数(&F)": asks, recomputes the issue values of every stored draw from its issue text
    // (history/IssueValueRepair.h), says how many draws changed and refreshes when some did. The number
    // changed, or -1 when cancelled or failed.
    int repairIssueValues();
    // "历史号码更新检索年数设置(&D)".
    void askSearchYears();
    // The window items of "检索期数设置(&Q)" and the flags that change the statistics re-run them.
    void chooseWindow(int index);
    // "恢复默认设置(&R)": the default options, then the statistics pass over the default window.
    void restoreDefaults();

    // "添加所输公式(&A)": stores the typed formula, switches to its kind (and, in the equation form, its
    // sense), rebuilds the list and runs the statistics. True when the formula was stored: the input box is
    // then emptied; otherwise the user was told why and the text stays for correction.
    bool addTypedFormula(const QString& input);
    // "历史列表显示公式各期验算结果(时间较长，请耐性等待...)": the per-draw display of the history grid, for the
    // run; switching it re-runs the statistics pass.
    bool perDrawDisplay() const { return m_perDrawDisplay; }
    void setPerDrawDisplay(bool on);

    // The bundled histories (history/BundledHistory.h) are looked for in these folders. None (the default)
    // means no offer is made; the window sets them, the command line and tests choose their own.
    void setBundledFolders(const QStringList& folders) { m_bundledFolders = folders; }
    // The first-start offer: with an open database and an empty history, asks whether to import the
    // bundled history of the chosen game; yes stores it in one transaction and refreshes as after any
    // import, no is not asked again until the history has held draws and is empty once more. A damaged or
    // missing bundled file is told once. True when draws were stored.
    bool offerBundledHistory();
    // "导入内置历史": the bundled draws newer than the newest stored one; a message tells what was done.
    DrawFileReport importBundledHistory(int game);

    // The one-shot refresh: armRefreshTimer() (after an online update stored draws) schedules refreshAll()
    // once on the event loop.
    void armRefreshTimer();
    bool refreshTimerArmed() const { return m_refreshTimer.isActive(); }
    // `loadFormulas`, `showHistory`, `statisticsPass`.
    void refreshAll();

signals:
    void historyChanged();
    void optionsChanged();
    void kindChanged();
    void entryChanged();
    // Around every statistics pass (the window shows the busy pointer meanwhile).
    void statisticsPassStarted();
    void statisticsPassFinished();

private:
    void openDatabase();
    void showHistory();    // issue texts of the new snapshot, historyChanged()
    void reloadFormulas(); // `loadFormulas`: the formula list hooks in here
    void loadHistory();    // rereads the draws; a table that cannot be read closes the file, told
    // `statisticsPass`: the statistics pass hooks in here; writeBack false keeps the figures in memory only.
    void evaluate(bool writeBack = true);
    void applyIssueTexts(); // `issueTextsOf`
    void followKind();      // a kind or sense was chosen: the list, the statistics, kindChanged()

    SettingsStore& m_settings;
    Dialogs& m_dialogs;
    std::unique_ptr<ReportingLauncher> m_launcher;
    std::unique_ptr<Options> m_options;
    std::unique_ptr<Database> m_database;
    std::unique_ptr<HistoryStore> m_history;
    std::unique_ptr<FormulaStore> m_formulaStore;
    std::unique_ptr<FormulaList> m_formulas;
    bool m_perDrawDisplay = false;
    SortSettings m_sortSettings;
    SortDialogState m_sortDialog;
    QTimer m_refreshTimer;

    bool m_started = false;
    QString m_dataFolder;
    std::unique_ptr<ChoiceState> m_choices;
    QString m_nextIssue;
    QString m_entryDate;
    QString m_selectedIssue;
    QStringList m_bundledFolders;
    bool m_bundledDeclined = false;
};

} // namespace korvel
