#include "platform/WebFetch.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

namespace korvel {

WebFetch::WebFetch(QObject* parent) : QObject(parent), m_manager(new QNetworkAccessManager(this))
{
    qRegisterMetaType<korvel::FetchResult>();
    m_deadline.setSingleShot(true);
    connect(&m_deadline, &QTimer::timeout, this, &WebFetch::onDeadline);
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

void WebFetch::get(const QUrl& url)
{
    if (m_reply) {
        cancel();
    }
    m_url = url;
    m_aborting = false;
    m_abortText.clear();

    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setHeader(QNetworkRequest::UserAgentHeader, QStringLiteral("Mozilla/5.0 (compatible; 3VER)"));
    m_reply = m_manager->get(request);

    // The stall timer restarts with every piece of data; the total deadline runs from the start.
    auto* stall = new QTimer(m_reply);
    stall->setSingleShot(true);
    stall->setInterval(m_stallTimeout);
    connect(stall, &QTimer::timeout, this, [this] {
        if (m_reply) {
            m_aborting = true;
            m_abortReason = FetchResult::Status::TimedOut;
            m_abortText = QStringLiteral("服务器长时间没有响应，下载超时");
            m_reply->abort();
        }
    });
    stall->start();
    m_deadline.start(m_totalTimeout);

    connect(m_reply, &QNetworkReply::downloadProgress, this, [this, stall](qint64 received, qint64 total) {
        stall->start();
        if (received > m_maxBytes && m_reply) {
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
    return !m_reply.isNull();
}

void WebFetch::cancel()
{
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
    if (m_reply) {
        m_aborting = true;
        m_abortReason = FetchResult::Status::TimedOut;
        m_abortText = QStringLiteral("下载超时");
        m_reply->abort();
    }
}

void WebFetch::onFinished()
{
    QNetworkReply* reply = m_reply;
    if (!reply) {
        return;
    }
    m_deadline.stop();

    FetchResult result;
    result.url = m_url;
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
    finish(std::move(result));
}

void WebFetch::finish(FetchResult result)
{
    m_aborting = false;
    emit finished(result);
}

} // namespace korvel
