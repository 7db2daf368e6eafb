#pragma once

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <QUrl>

#include <chrono>

class QNetworkAccessManager;
class QNetworkReply;

namespace korvel {

// What a download gave: the whole body on success; otherwise the reason, in words for the user.
struct FetchResult {
    enum class Status { Ok, Failed, TimedOut, Cancelled };

    Status status = Status::Failed;
    QUrl url;
    int httpStatus = 0;  // 0 when no HTTP answer arrived
    QString contentType; // the Content-Type header, for the page's character set
    QByteArray body;     // only complete bodies: empty unless status is Ok
    QString error;       // empty when status is Ok

    bool ok() const { return status == Status::Ok; }
};

// One asynchronous HTTP GET at a time through QNetworkAccessManager; the result arrives as the signal
// finished(), never by waiting in a loop. A download fails when the connection breaks, when the server
// answers with an HTTP error, when the body is shorter than the announced length, when nothing arrives for
// the stall timeout, or when the whole download takes longer than the total timeout. cancel() aborts it;
// finished() then reports Cancelled. Redirects to the same or a safer scheme are followed.
//
// Lives on the thread that created it (normally the GUI thread), whose event loop must run.
class WebFetch : public QObject {
    Q_OBJECT
public:
    explicit WebFetch(QObject* parent = nullptr);
    ~WebFetch() override;

    // No data for this long: the download fails. Default 30 s.
    void setStallTimeout(std::chrono::milliseconds timeout) { m_stallTimeout = timeout; }
    // The whole download may take at most this long. Default 120 s.
    void setTotalTimeout(std::chrono::milliseconds timeout) { m_totalTimeout = timeout; }
    // A body larger than this fails (a wrong address serving a huge file). Default 32 MiB.
    void setMaxBytes(qint64 bytes) { m_maxBytes = bytes; }

    // Starts the download; a download still running is cancelled first (its finished() is still sent).
    void get(const QUrl& url);
    void cancel();
    bool busy() const;

signals:
    // total is -1 while unknown.
    void progress(qint64 received, qint64 total);
    void finished(const korvel::FetchResult& result);

private:
    void onFinished();
    void onDeadline();
    void finish(FetchResult result);

    QNetworkAccessManager* m_manager; // child
    QPointer<QNetworkReply> m_reply;
    QTimer m_deadline;
    QUrl m_url;
    FetchResult::Status m_abortReason = FetchResult::Status::Failed;
    bool m_aborting = false;
    QString m_abortText;
    std::chrono::milliseconds m_stallTimeout{30000};
    std::chrono::milliseconds m_totalTimeout{120000};
    qint64 m_maxBytes = 32 * 1024 * 1024;
};

} // namespace korvel

Q_DECLARE_METATYPE(korvel::FetchResult)
