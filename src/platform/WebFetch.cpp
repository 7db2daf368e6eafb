#include "platform/WebFetch.h"

#include <QNetworkAccessManager>
#include <QNetworkCookie>
#include <QNetworkCookieJar>
#include <QNetworkReply>
#include <QNetworkRequest>

namespace korvel {

WebFetch::WebFetch(QObject* parent) : QObject(parent), m_manager(new QNetworkAccessManager(this))
{
    qRegisterMetaType<korvel::FetchResult>();
    // One jar for the object's life: a first visit's cookies go with the requests after it.
    m_manager->setCookieJar(new QNetworkCookieJar(m_manager));
    m_deadline.setSingleShot(true);
    connect(&m_deadline, &QTimer::timeout, this, &WebFetch::onDeadline);
    m_retryTimer.setSingleShot(true);
    connect(&m_retryTimer, &QTimer::timeout, this, &WebFetch::send);
}

WebFetch::~WebFetch()
{
    if (m_reply) {
        // No signal from a dying object: just drop the transfer.
        m_reply->disconnect(this);
        m_reply->abort();
        m_reply->deleteLater();
    }
}

bool WebFetch::hasCookiesFor(const QUrl& url) const
{
    return !m_manager->cookieJar()->cookiesForUrl(url).isEmpty();
}

void WebFetch::get(const QUrl& url)
{
    if (m_reply || m_retryTimer.isActive()) {
        cancel();
    }
    m_url = url;
    m_attempt = 0;
    send();
}

void WebFetch::send()
{
    ++m_attempt;
    m_aborting = false;
    m_abortRetryable = false;
    m_abortText.clear();

    QNetworkRequest request(m_url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setHeader(QNetworkRequest::UserAgentHeader, QStringLiteral("Mozilla/5.0 (compatible; 3VER)"));
    for (const auto& [name, value] : m_headers) {
        request.setRawHeader(name, value);
    }
    m_reply = m_manager->get(request);

    // The stall timer restarts with every piece of data; the total deadline runs from the first try.
    auto* stall = new QTimer(m_reply);
    stall->setSingleShot(true);
    stall->setInterval(m_stallTimeout);
    connect(stall, &QTimer::timeout, this, [this] {
        if (m_reply) {
            m_aborting = true;
            m_abortReason = FetchResult::Status::TimedOut;
            m_abortText = QStringLiteral("服务器长时间没有响应，下载超时");
            m_abortRetryable = true;
            m_reply->abort();
        }
    });
    stall->start();
    // Until the status line and headers arrive.
    auto* connecting = new QTimer(m_reply);
    connecting->setSingleShot(true);
    connect(connecting, &QTimer::timeout, this, [this] {
        if (m_reply) {
            m_aborting = true;
            m_abortReason = FetchResult::Status::TimedOut;
            m_abortText = QStringLiteral("连接超时（%1 秒内没有应答）")
                              .arg(static_cast<double>(m_connectTimeout.count()) / 1000.0);
            m_abortRetryable = true;
            m_reply->abort();
        }
    });
    if (m_connectTimeout.count() > 0) {
        connecting->start(m_connectTimeout);
    }
    connect(m_reply, &QNetworkReply::metaDataChanged, connecting, &QTimer::stop);
    if (m_attempt == 1) {
        m_deadline.start(m_totalTimeout);
    }

    connect(m_reply, &QNetworkReply::downloadProgress, this, [this, stall, connecting](qint64 received, qint64 total) {
        stall->start();
        connecting->stop();
        if ((received > m_maxBytes || total > m_maxBytes) && m_reply) {
            m_aborting = true;
            m_abortReason = FetchResult::Status::Failed;
            m_abortText = QStringLiteral("下载的文件过大（超过 %1 字节）").arg(m_maxBytes);
            m_reply->abort();
            return;
        }
        emit progress(received, total);
    });
    connect(m_reply, &QNetworkReply::finished, this, &WebFetch::onFinished);
}

bool WebFetch::busy() const
{
    return !m_reply.isNull() || m_retryTimer.isActive();
}

void WebFetch::cancel()
{
    if (m_retryTimer.isActive()) {
        // Between two tries: nothing is on the wire.
        m_retryTimer.stop();
        m_deadline.stop();
        FetchResult result;
        result.status = FetchResult::Status::Cancelled;
        result.url = m_url;
        result.error = QStringLiteral("下载已取消");
        result.attempts = m_attempt;
        finish(std::move(result));
        return;
    }
    if (!m_reply) {
        return;
    }
    m_aborting = true;
    m_abortReason = FetchResult::Status::Cancelled;
    m_abortText = QStringLiteral("下载已取消");
    m_reply->abort(); // emits finished() synchronously
}

void WebFetch::onDeadline()
{
    m_aborting = true;
    m_abortRetryable = false;
    m_abortReason = FetchResult::Status::TimedOut;
    m_abortText = QStringLiteral("下载超时（超过 %1 秒）").arg(static_cast<double>(m_totalTimeout.count()) / 1000.0);
    if (m_reply) {
        m_reply->abort();
    } else if (m_retryTimer.isActive()) {
        m_retryTimer.stop();
        FetchResult result;
        result.status = FetchResult::Status::TimedOut;
        result.url = m_url;
        result.error = m_abortText;
        result.attempts = m_attempt;
        finish(std::move(result));
    }
}

bool WebFetch::retryable(const FetchResult& result) const
{
    if (m_attempt > m_retries || !m_deadline.isActive()) {
        return false;
    }
    if (m_aborting) {
        // A stall or a connection without answer; not the total deadline (the caller's limit for the whole
        // download, tries included), a cancel or a body over the cap.
        return m_abortRetryable;
    }
    if (result.status != FetchResult::Status::Failed) {
        return false;
    }
    // A client error (404, 403) answers the same the next time.
    return result.httpStatus < 400 || result.httpStatus >= 500;
}

void WebFetch::onFinished()
{
    QNetworkReply* reply = m_reply;
    if (!reply) {
        return;
    }

    FetchResult result;
    result.url = m_url;
    result.attempts = m_attempt;
    result.httpStatus = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    result.contentType = reply->header(QNetworkRequest::ContentTypeHeader).toString();

    if (m_aborting) {
        result.status = m_abortReason;
        result.error = m_abortText;
    } else if (reply->error() != QNetworkReply::NoError) {
        result.status = FetchResult::Status::Failed;
        if (result.httpStatus >= 400) {
            result.error = QStringLiteral("服务器返回错误 %1").arg(result.httpStatus);
        } else {
            result.error = QStringLiteral("网络连接失败：%1").arg(reply->errorString());
        }
    } else {
        QByteArray body = reply->readAll();
        const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
        if (length.isValid() && length.toLongLong() > body.size()) {
            result.status = FetchResult::Status::Failed;
            result.error =
                QStringLiteral("下载不完整：收到 %1 字节，应为 %2 字节").arg(body.size()).arg(length.toLongLong());
        } else if (result.httpStatus != 0 && (result.httpStatus < 200 || result.httpStatus >= 300)) {
            result.status = FetchResult::Status::Failed;
            result.error = QStringLiteral("服务器返回错误 %1").arg(result.httpStatus);
        } else {
            result.status = FetchResult::Status::Ok;
            result.body = std::move(body);
        }
    }

    m_reply = nullptr;
    reply->deleteLater();
    if (!result.ok() && retryable(result)) {
        m_retryTimer.start(m_retryPause);
        return;
    }
    m_deadline.stop();
    finish(std::move(result));
}

void WebFetch::finish(FetchResult result)
{
    m_aborting = false;
    emit finished(result);
}

} // namespace korvel
