#include "session/Session.h"

#include "formula/FormulaStore.h"
#include "history/DrawTableSchema.h"
#include "history/HistoryDeletion.h"
#include "history/HistoryExport.h"
#include "history/HistorySnapshot.h"
#include "history/HistoryStore.h"
#include "history/IssueNumber.h"
#include "history/IssueValueRepair.h"
#include "platform/Database.h"
#include "platform/Dialogs.h"
#include "platform/Launcher.h"
#include "session/ReportingLauncher.h"
#include "session/TypedFormula.h"
#include "settings/Options.h"
#include "verify/FormulaList.h"

#include <QDir>

namespace korvel {

namespace {
// The refresh runs once the current command has returned to the event loop.
constexpr int kRefreshDelayMs = 100;
} // namespace

Session::Session(SettingsStore& settings, Dialogs& dialogs, Launcher& launcher, QObject* parent)
    : QObject(parent), m_settings(settings), m_dialogs(dialogs),
      m_launcher(std::make_unique<ReportingLauncher>(launcher)), m_options(std::make_unique<Options>(settings)),
      m_database(std::make_unique<Database>()), m_history(std::make_unique<HistoryStore>(*m_database)),
      m_formulaStore(std::make_unique<FormulaStore>(*m_database)),
      m_formulas(std::make_unique<FormulaList>(*m_formulaStore, dialogs)), m_choices(std::make_unique<ChoiceState>())
{
    connect(m_choices.get(), &ChoiceState::kindChosen, this, &Session::followKind);
    connect(m_choices.get(), &ChoiceState::displayChanged, this, &Session::kindChanged);
    // The verify issue is shown with the entry line's texts.
    connect(m_choices.get(), &ChoiceState::verifyIssueChanged, this, &Session::entryChanged);
    connect(m_formulas.get(), &FormulaList::formulasChanged, this, [this] { evaluate(); });
    connect(m_options.get(), &Options::changed, this, &Session::optionsChanged);
    m_refreshTimer.setSingleShot(true);
    m_refreshTimer.setInterval(kRefreshDelayMs);
    connect(&m_refreshTimer, &QTimer::timeout, this, &Session::refreshAll);
}

Session::~Session() = default;

Launcher& Session::launcher()
{
    return *m_launcher;
}

void Session::start(const QString& dataFolder, QDate today)
{
    m_dataFolder = dataFolder;
    // The parameter vocabulary is a constant table; the wheel belongs to the window.
    m_options->load();
    openDatabase();
    // The current kind is the panel's initial choice; its formulas are opened and all marked selected by
    // the formula list (reloadFormulas below).
    m_entryDate = today.toString(QStringLiteral("yyyy-MM-dd"));
    loadHistory();
    reloadFormulas();
    showHistory();
    // Start-up only reads: the figures of this pass are written back by the next pass a command runs.
    evaluate(false);
    m_started = true;
    emit entryChanged();
}

bool Session::databaseOpen() const
{
    return m_database->isOpen();
}

SnapshotPtr Session::snapshot() const
{
    return m_history->snapshot();
}

void Session::openDatabase()
{
    const QString path = QDir(m_dataFolder).filePath(QStringLiteral("formula.mdb"));
    // A missing folder is made; when that fails, the open below fails and says so.
    QDir().mkpath(m_dataFolder);
    switch (m_database->open(path, drawTableSchema())) {
    case Database::OpenResult::Opened:
    case Database::OpenResult::Created:
        return;
    case Database::OpenResult::ReadOnly:
    case Database::OpenResult::NotKorvel:
        m_dialogs.message(QStringLiteral("打开数据库"), m_database->lastError(), Dialogs::Buttons::Ok,
                          Dialogs::Icon::Warning);
        return;
    case Database::OpenResult::Damaged:
        m_dialogs.message(QStringLiteral("打开数据库"), m_database->lastError(), Dialogs::Buttons::Ok,
                          Dialogs::Icon::Critical);
        return;
    case Database::OpenResult::Failed:
        m_dialogs.message(
            QStringLiteral("打开数据库"),
            QStringLiteral("无法打开数据库文件 %1：%2").arg(QDir::toNativeSeparators(path), m_database->lastError()),
            Dialogs::Buttons::Ok, Dialogs::Icon::Critical);
        return;
    }
}

void Session::loadHistory()
{
    if (m_history->reload() || !m_database->isOpen()) {
        return;
    }
    // A draw table that cannot be read (a damaged file, columns that are not ours) must not pass for an empty
    // history: every draw added would be computed as the first. The file is closed, so nothing is written
    // to it, and the user is told.
    const QString message = QStringLiteral("数据库文件 %1 的历史号码表 Lishi 无法读取（%2），未作任何改动。请用备份"
                                           "替换它，或将它移走后重新启动以新建数据库。")
                                .arg(QDir::toNativeSeparators(m_database->path()), m_history->lastError());
    m_database->close();
    m_history->reload();
    m_dialogs.message(QStringLiteral("打开数据库"), message, Dialogs::Buttons::Ok, Dialogs::Icon::Critical);
}

void Session::showHistory()
{
    if (!m_history->snapshot()->empty()) {
        m_bundledDeclined = false; // an emptied history is offered the bundled one again
    }
    applyIssueTexts();
    emit historyChanged();
}

void Session::applyIssueTexts()
{
    const std::optional<IssueTexts> t = issueTextsOf(*m_history->snapshot(), m_options->game());
    if (!t) {
        return;
    }
    if (!t->nextIssue.isEmpty()) {
        m_nextIssue = t->nextIssue;
    }
    // A changed verify issue tells the views itself; the texts are announced once either way.
    if (!m_choices->setVerifyIssue(t->verifyIssue)) {
        emit entryChanged();
    }
}

void Session::reloadFormulas()
{
    m_formulas->loadFormulas(m_choices->kind(), m_choices->kill());
}

void Session::evaluate(bool writeBack)
{
    PassSettings pass;
    pass.writeBack = writeBack;
    pass.figures.windowDraws = m_options->windowSize();
    pass.figures.excludeCurrent = m_options->excludeCurrent();
    pass.figures.weighted = m_options->weightedRate();
    pass.perDrawDisplay = m_perDrawDisplay;
    pass.displayColumn = m_options->resultsAtCurrentIssue() ? DisplayColumn::CurrentIssue : DisplayColumn::NextIssue;
    emit statisticsPassStarted();
    m_formulas->statisticsPass(*m_history->snapshot(), pass);
    emit statisticsPassFinished();
}

bool Session::addTypedFormula(const QString& input)
{
    const TypedFormulaResult r = AddTypedFormula(input, m_choices->kind(), m_choices->kill(), *m_formulas, m_dialogs);
    if (!r.added()) {
        return false;
    }
    // The list is rebuilt (followKind) to show the new formula.
    m_choices->adoptTypedFormula(r.kind, r.senseFromLine ? std::optional<bool>(r.kill) : std::nullopt,
                                 r.namedPlay.has_value());
    return true;
}

void Session::setPerDrawDisplay(bool on)
{
    if (on == m_perDrawDisplay) {
        return;
    }
    m_perDrawDisplay = on;
    evaluate();
}

void Session::refreshAll()
{
    m_refreshTimer.stop();
    loadHistory();
    reloadFormulas();
    showHistory();
    evaluate();
}

void Session::armRefreshTimer()
{
    m_refreshTimer.start();
}

void Session::followKind()
{
    reloadFormulas();
    evaluate();
    emit kindChanged();
}

void Session::setNextIssue(const QString& issue)
{
    if (issue == m_nextIssue) {
        return;
    }
    m_nextIssue = issue;
    emit entryChanged();
}

void Session::setEntryDate(const QString& date)
{
    if (date == m_entryDate) {
        return;
    }
    m_entryDate = date;
    emit entryChanged();
}

void Session::normaliseEntryDate()
{
    setEntryDate(normaliseDate(m_entryDate));
}

EntryResult Session::enterDraw(const QString& box1, const QString& box2, const QString& box3)
{
    const EntryResult r = storeTypedDraw(*m_history, m_dialogs, m_nextIssue, box1, box2, box3, m_entryDate);
    if (r != EntryResult::Stored) {
        return r;
    }
    showHistory();
    evaluate();
    setEntryDate(nextDay(normaliseDate(m_entryDate)));
    return r;
}

bool Session::deleteLastDraw()
{
    if (!korvel::deleteLastDraw(*m_history, m_dialogs).changed) {
        return false;
    }
    showHistory();
    evaluate();
    return true;
}

bool Session::deleteAllDraws()
{
    if (!korvel::deleteAllDraws(*m_history, m_dialogs).changed) {
        return false;
    }
    reloadFormulas();
    showHistory();
    // The list must not keep figures of draws that are gone.
    evaluate();
    return true;
}

bool Session::deleteToChosenIssue()
{
    if (!korvel::deleteToChosenIssue(*m_history, m_dialogs, m_selectedIssue).changed) {
        return false;
    }
    reloadFormulas();
    showHistory();
    evaluate();
    return true;
}

bool Session::deleteLastCount()
{
    if (!korvel::deleteLastCount(*m_history, m_dialogs).changed) {
        return false;
    }
    reloadFormulas();
    showHistory();
    evaluate();
    return true;
}

QString Session::exportHistoryText()
{
    const HistoryExportResult r =
        korvel::exportHistoryText(*m_history->snapshot(), m_dataFolder, m_choices->verifyIssue(), *m_launcher);
    if (!r.error.isEmpty()) {
        m_dialogs.message(QStringLiteral("历史号码导出"), r.error, Dialogs::Buttons::Ok, Dialogs::Icon::Warning);
    }
    return r.path;
}

int Session::repairIssueValues()
{
    if (!m_dialogs.confirm(issueRepairTitle(), issueRepairQuestion())) {
        return -1;
    }
    const IssueRepairResult r = korvel::repairIssueValues(*m_database, *m_history);
    m_dialogs.message(issueRepairTitle(), repairText(r), Dialogs::Buttons::Ok,
                      r.ok ? Dialogs::Icon::Information : Dialogs::Icon::Critical);
    if (r.changed > 0) {
        showHistory();
        evaluate();
    }
    return r.ok ? r.changed : -1;
}

void Session::askSearchYears()
{
    m_options->askSearchYears(m_dialogs);
}

void Session::restoreDefaults()
{
    // The defaults change the window and the rate method: the list's figures follow at once.
    m_options->restoreDefaults();
    evaluate();
}

void Session::chooseWindow(int index)
{
    m_options->setWindowIndex(index);
    evaluate();
}

} // namespace korvel
