#pragma once

#include "history/DrawParameters.h"
#include "history/HistorySnapshot.h"
#include "platform/WebFetch.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <chrono>
#include <vector>

namespace korvel {

class Database;
class Dialogs;
class HistoryStore;
class SettingsStore;

// "开奖历史在线更新(&O)": the draws missing from the history are fetched from the results chart pages,
// one page per year, read as page text, cut out at fixed offsets around the marker "YYYY-kkk" and stored
// with all their parameters.
//
// Unlike a plain walk of the pages this update is all or nothing: every page is downloaded and read
// first, and only then, in one transaction, the old history is deleted (when the years window asks for
// it) and the new draws are stored. A failed, cancelled or timed-out download, or a page set that yields
// no draw, leaves the history exactly as it was.

// What the update will do, from the stored history, the current year and the years window (`IniSerchDay`).
struct HistoryUpdatePlan {
    int currentYear = 0;
    int startYear = 0;
    int startSequence = 1;
    // The oldest stored draw lies more than the window before the current year: the whole history is
    // replaced by the download (only when the download yields draws).
    bool replaceAll = false;
    int storedCount = 0;
    // Newest stored issue in its four-digit-year form ("26246" reads "2026246"); empty when the history is
    // empty or replaced. Only issues after it are taken.
    QString newestIssue;
    // The stored history numbers issues with a two-digit year (体彩排列3 as typed in): downloaded issues
    // are written the same way so that the history stays in issue order.
    bool twoDigitYear = false;
    Digits previous; // the newest stored draw's digits, 0 0 0 when none

    int pageCount() const { return startYear <= currentYear ? currentYear - startYear + 1 : 0; }
};

HistoryUpdatePlan planHistoryUpdate(const HistorySnapshot& history, int currentYear, int yearsWindow);

// The results page of a game (`GsZl` 53 "福彩3D", 3 "体彩排列3") for a year, on the configured chart host
// ("http://host" or "host"; a path on it is kept in front). Invalid for an unknown game or an empty host.
QUrl resultsPageUrl(const QString& chartHost, int game, int year);

// One draw read from a page.
struct PageDraw {
    int sequence = 0;
    int year = 0; // of the issue
    Digits digits;
    int dateYear = 0;
    int month = 0;
    int day = 0;
};

struct PageParse {
    std::vector<PageDraw> draws; // in sequence order
    QStringList rejected;        // markers ("2018-121") found with no readable digits or date
    int skippedStored = 0;       // markers of issues not newer than the newest stored one
};

// Reads a year's page text. For k = startSequence .. 365 the marker Y-kkk is looked for; the first one
// missing ends the year. Counting offsets from the marker's first character: the digits are the
// characters at 8, 9, 10 (百位, 十位, 个位), taken when all three are digits and the characters at 9-11
// read as a number; the date "YYYY-MM-DD" is the ten characters before the marker. Issues that are not
// after newestIssue (four-digit form, may be empty) are skipped and the walk goes on, so that a year that
// is partly stored is completed.
PageParse parseResultsPage(const QString& text, int year, int startSequence, const QString& newestIssue);

// The issue text of a downloaded draw.
QString downloadedIssue(int year, int sequence, bool twoDigitYear);

struct HistoryUpdateOutcome {
    enum class Status { Stored, NothingNew, DownloadFailed, Cancelled, StoreFailed };
    Status status = Status::NothingNew;
    int added = 0;
    int deleted = 0;
    int pagesRead = 0;
    int failedYear = 0; // the page that failed (DownloadFailed)
    QString error;
    QStringList rejected;
    QString firstIssue; // of the draws stored
    QString lastIssue;

    bool historyChanged() const { return status == Status::Stored; }
};

// Runs one update: fetches the pages of the plan one after the other (asynchronously, through WebFetch),
// then stores. start() returns at once; finished() comes once, from the event loop. cancel() stops the
// download; nothing is stored then. The store and database must outlive the object. GUI thread.
class OnlineHistoryUpdate : public QObject {
    Q_OBJECT
public:
    OnlineHistoryUpdate(Database& db, HistoryStore& store, const HistoryUpdatePlan& plan, QString chartHost, int game,
                        QObject* parent = nullptr);

    void setTimeouts(std::chrono::milliseconds stall, std::chrono::milliseconds total);

    const HistoryUpdatePlan& plan() const { return m_plan; }
    void start();
    void cancel();
    bool running() const { return m_running; }
    const HistoryUpdateOutcome& outcome() const { return m_outcome; }

    // For the command line: start() and wait in a local event loop until finished.
    HistoryUpdateOutcome run();

signals:
    // Before each page: index 0 .. count - 1.
    void pageStarted(int index, int count, int year);
    void finished(const korvel::HistoryUpdateOutcome& outcome);

private:
    void fetchNext();
    void onPage(const FetchResult& result);
    void store();
    void finish();

    Database& m_db;
    HistoryStore& m_store;
    HistoryUpdatePlan m_plan;
    QString m_host;
    int m_game;
    WebFetch m_fetch;
    int m_nextPage = 0;
    bool m_running = false;
    bool m_cancelled = false;
    std::vector<PageDraw> m_draws;
    HistoryUpdateOutcome m_outcome;
};

// The command's texts and settings.
namespace onlineupdate {

QString confirmTitle(); // "在线更新"
QString confirmText();  // "确实要在线更新最新历史号码吗？..."

// The chart site's host: section "IniSetting", key "ChartHost". No default host exists; until one is set
// the command asks for it.
QString chartHostKey();
QString chartHost(const SettingsStore& settings);
void setChartHost(SettingsStore& settings, const QString& host);
// Asks for the host (prefilled with the stored one) until the answer is an http(s) address; stores it.
// Empty when cancelled.
QString askChartHost(Dialogs& dialogs, SettingsStore& settings);

// The message that closes the command, and its title.
QString outcomeText(const HistoryUpdateOutcome& outcome);

} // namespace onlineupdate

} // namespace korvel

Q_DECLARE_METATYPE(korvel::HistoryUpdateOutcome)
