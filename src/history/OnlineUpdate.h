#pragma once

#include "history/DrawSources.h"
#include "history/SourceFetch.h"
#include "history/UpdateCheck.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>
#include <vector>

namespace korvel {

class Database;
class HistoryStore;

// "开奖历史在线更新(&O)", `korvel-cli history update` and the update at start: the draws after the newest
// stored one are fetched from the game's sources (history/DrawSources.h), tried in order, and stored.
//
// An update only adds: no update ever deletes or rewrites a stored draw. The years window (`IniSerchDay`)
// only chooses where the update of an empty history starts.
//
// For each source: its pages are read (history/SourceFetch.h); a failure (an HTTP error, a timeout, a body
// that is not what its reader expects, JSON that says it failed, a page without any draw) is an error that
// names the source and the problem, and the next source is tried. A source that answered is checked
// before anything is stored (history/UpdateCheck.h): a draw it gives that is stored already must agree
// on digits and date, and so must the draws two sources both give; when one does not, the update stops
// and stores nothing, naming the issue and both values. The new draws must continue the stored sequence:
// when an issue is missing between the newest stored draw and the newest downloaded one, the next source
// is asked as well; when none has it, the draws before the hole are stored and the missing issue is
// reported, never a history with a hole. Stored issues keep the history's form (two-digit 排列3 years).
// "没有新的开奖号码" is the outcome only when a source answered with draws that are all stored.
//
// Parameters are computed as for every draw that comes in (the typed rule of history/DrawFileImport.h);
// a draw without a date (a text source's "issue ddd" line) gets the day after the draw before it.

struct UpdateRequest {
    int game = 53;
    std::vector<DrawSource> sources; // tried in this order
    int currentYear = 0;
    int yearsWindow = 3;
    FetchLimits limits;
};

struct SourceError {
    QString source; // DrawSource::label()
    QString problem;
};

struct HistoryUpdateOutcome {
    enum class Status { Stored, NothingNew, Failed, Conflict, Cancelled, StoreFailed };
    Status status = Status::Failed;
    int added = 0;
    QString firstIssue; // of the draws stored, in the history's form
    QString lastIssue;
    QString source; // the source that answered last
    std::vector<SourceError> errors;
    std::vector<DrawConflict> conflicts;
    QString conflictSource;
    QString missing; // an issue no source gave (the draws before it were stored)
    QStringList rejected;
    QString storeError;

    bool historyChanged() const { return status == Status::Stored; }
    bool failed() const
    {
        return status == Status::Failed || status == Status::Conflict || status == Status::StoreFailed;
    }
};

// Runs one update asynchronously: start() returns at once; finished() comes once, from the event loop.
// cancel() stops it; nothing is stored then. The store and database must outlive the object. GUI thread.
class OnlineHistoryUpdate : public QObject {
    Q_OBJECT
public:
    OnlineHistoryUpdate(Database& db, HistoryStore& store, UpdateRequest request, QObject* parent = nullptr);

    const UpdateRequest& request() const { return m_request; }
    void start();
    void cancel();
    bool running() const { return m_running; }
    const HistoryUpdateOutcome& outcome() const { return m_outcome; }

    // For the command line: start() and wait in a local event loop until finished.
    HistoryUpdateOutcome run();

signals:
    void sourceStarted(int index, int count, const QString& label);
    void pageStarted(int index, const QUrl& url);
    void finished(const korvel::HistoryUpdateOutcome& outcome);

private:
    void nextSource();
    void onSource(const SourceFetchResult& result);
    void conclude();
    void store(const std::vector<SourceDraw>& draws);
    void finish();

    Database& m_db;
    HistoryStore& m_store;
    UpdateRequest m_request;
    UpdateBase m_base;
    DrawPool m_pool;
    std::unique_ptr<SourceFetch> m_fetch;
    std::size_t m_next = 0;
    bool m_answered = false;
    bool m_running = false;
    bool m_cancelled = false;
    HistoryUpdateOutcome m_outcome;
};

// The sources of a run: the enabled ones of the list, only those of `reader` when one is given (the
// game's default official source when the list has none); `address` replaces the address of the first of
// them (a source of `reader` at that address when the list has none), and only that one is tried. Empty,
// with *error set, when nothing is left.
std::vector<DrawSource> chooseSources(const std::vector<DrawSource>& configured, int game,
                                      std::optional<SourceReader> reader, const QString& address, QString* error);

// The command's texts.
namespace onlineupdate {

QString confirmTitle(); // "在线更新"
QString confirmText();  // "确实要在线更新最新历史号码吗？..."
// The message that closes the command, and one line for the status bar.
QString outcomeText(const HistoryUpdateOutcome& outcome);
QString outcomeLine(const HistoryUpdateOutcome& outcome);
QString conflictText(const DrawConflict& conflict);

} // namespace onlineupdate

} // namespace korvel

Q_DECLARE_METATYPE(korvel::HistoryUpdateOutcome)
