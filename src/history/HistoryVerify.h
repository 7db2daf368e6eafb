#pragma once

#include "history/HistorySnapshot.h"
#include "history/SourceFetch.h"

#include <QObject>
#include <QStringList>

#include <memory>
#include <vector>

namespace korvel {

class HistoryStore;

// "校验历史号码" and `korvel-cli history verify`: the stored history compared with what a source gives,
// draw by draw. The sources are tried in order until one answers; it is read `pages` pages back (official)
// or `pages` years (a per-year chart), a text file whole. Nothing is stored or changed.

struct VerifyDifference {
    QString issue;
    QString stored; // "092（2026-09-19）"
    QString source;
};

struct HistoryVerification {
    bool ok = false; // a source answered
    bool cancelled = false;
    QString source;                                  // the source compared with
    std::vector<std::pair<QString, QString>> errors; // sources that failed: label, problem
    int sourceDraws = 0;
    QString sourceFirst; // its oldest and newest issue
    QString sourceLast;
    int agree = 0;
    std::vector<VerifyDifference> differ;
    QStringList missingHere;  // issues the source gives that are not stored
    QStringList missingThere; // stored issues between the source's oldest and newest that it does not give
};

// The comparison itself.
HistoryVerification compareWithSource(const HistorySnapshot& history, const std::vector<SourceDraw>& draws);

struct VerifyRequest {
    int game = 53;
    std::vector<DrawSource> sources;
    int currentYear = 0;
    int pages = 1;
    FetchLimits limits;
};

class HistoryVerify : public QObject {
    Q_OBJECT
public:
    HistoryVerify(const HistoryStore& store, VerifyRequest request, QObject* parent = nullptr);
    ~HistoryVerify() override;

    void start();
    void cancel();
    bool running() const { return m_running; }
    const HistoryVerification& result() const { return m_result; }
    HistoryVerification run(); // start() and wait in a local event loop

signals:
    void sourceStarted(int index, int count, const QString& label);
    void finished(const korvel::HistoryVerification& result);

private:
    void nextSource();
    void onSource(const SourceFetchResult& fetched);
    void finish();

    const HistoryStore& m_store;
    VerifyRequest m_request;
    std::unique_ptr<SourceFetch> m_fetch;
    std::size_t m_next = 0;
    bool m_running = false;
    bool m_cancelled = false;
    HistoryVerification m_result;
};

namespace verifytext {
QString title(); // "校验历史号码"
QString report(const HistoryVerification& result);
} // namespace verifytext

} // namespace korvel

Q_DECLARE_METATYPE(korvel::HistoryVerification)
