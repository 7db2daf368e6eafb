#pragma once

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <QUrl>

#include <chrono>
#include <utility>
#include <vector>

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
    int attempts = 0;    // requests made for it (2 after a retry)

    bool ok() const { return status == Status::Ok; }
};

// One asynchronous HTTP GET at a time through QNetworkAccessManager; the result arrives as the signal
// finished(), never by waiting in a loop. A download fails when the connection breaks, when the server
// answers with an HTTP error, when the body is shorter than the announced length, when nothing arrives for
// the stall timeout, or when the whole download takes longer than the total timeout. cancel() aborts it;
// finished() then reports Cancelled. Redirects to the same or a safer scheme are followed.
//
// The requests can look like a browser's: headers of the caller's (a User-Agent among them replaces the
// default one), and a cookie jar that lives as long as the object, so that what a first visit sets goes
// with the later requests. A connection that brings no answer within the connect timeout fails; a failed
// download (no connection, a timeout, a server error 5xx, a body cut short) may be tried again after a
// pause (setRetries); finished() then comes once, for the last try.
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
    // No answer (status line and headers) this long after the request: the download fails. Default: the
    // stall timeout.
    void setConnectTimeout(std::chrono::milliseconds timeout) { m_connectTimeout = timeout; }
    // Further tries of a failed download, each after `pause`. Default none.
    void setRetries(int retries, std::chrono::milliseconds pause)
    {
        m_retries = retries;
        m_retryPause = pause;
    }
    using Headers = std::vector<std::pair<QByteArray, QByteArray>>;
    // Sent with every request from now on (name, value).
    void setRequestHeaders(Headers headers) { m_headers = std::move(headers); }
    // Whether the cookie jar holds a cookie for the address.
    bool hasCookiesFor(const QUrl& url) const;

    // Starts the download; a download still running is cancelled first (its finished() is still sent).
    void get(const QUrl& url);
    void cancel();
    bool busy() const;

signals:
    // total is -1 while unknown.
    void progress(qint64 received, qint64 total);
    void finished(const korvel::FetchResult& result);

private:
    void send();
    void onFinished();
    void onDeadline();
    bool retryable(const FetchResult& result) const;
    void finish(FetchResult result);

    QNetworkAccessManager* m_manager; // child
    QPointer<QNetworkReply> m_reply;
    QTimer m_deadline;
    QUrl m_url;
    FetchResult::Status m_abortReason = FetchResult::Status::Failed;
    bool m_aborting = false;
    bool m_abortRetryable = false;
    QString m_abortText;
    std::chrono::milliseconds m_stallTimeout{30000};
    std::chrono::milliseconds m_totalTimeout{120000};
    qint64 m_maxBytes = 32 * 1024 * 1024;
    std::chrono::milliseconds m_connectTimeout{0};
    int m_retries = 0;
    std::chrono::milliseconds m_retryPause{0};
    Headers m_headers;
    int m_attempt = 0;
    QTimer m_retryTimer;
};

} // namespace korvel

Q_DECLARE_METATYPE(korvel::FetchResult)
