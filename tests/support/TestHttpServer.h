#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QTcpServer>
#include <QUrl>

#include <functional>

namespace korvel::test {

// A small HTTP/1.1 server on 127.0.0.1 for tests that download: every request is answered by the handler
// (one request per connection, then the connection is closed). Besides normal answers it can misbehave
// the way real servers do: close the connection without answering, close it halfway through the body,
// or never answer at all. Runs on the test's thread; the test must run the event loop while it waits.
class TestHttpServer : public QObject {
    Q_OBJECT
public:
    struct Request {
        QString method;
        QString target; // path and query as sent ("/zst/sd/?lotId=...")
        QList<QPair<QByteArray, QByteArray>> headers;
        QUrl url() const { return QUrl(QStringLiteral("http://127.0.0.1") + target); }
        // The value of a header (case-insensitive name), empty when it was not sent.
        QByteArray header(const QByteArray& name) const;
    };

    struct Response {
        enum class Behaviour { Normal, CloseWithoutAnswer, CloseMidBody, NeverAnswer };
        int status = 200;
        QByteArray contentType = "text/html; charset=utf-8";
        QByteArray body;
        Behaviour behaviour = Behaviour::Normal;
        QList<QPair<QByteArray, QByteArray>> headers; // more header lines ("Set-Cookie", ...)
        int delayMs = 0;                              // the answer starts this long after the request
    };

    using Handler = std::function<Response(const Request&)>;

    explicit TestHttpServer(Handler handler, QObject* parent = nullptr);

    bool listen();
    QString baseUrl() const; // "http://127.0.0.1:<port>"
    const QStringList& targets() const { return m_targets; }
    const QList<Request>& requests() const { return m_requests; }

private:
    void onConnection();

    QTcpServer m_server;
    Handler m_handler;
    QStringList m_targets;
    QList<Request> m_requests;
};

} // namespace korvel::test
