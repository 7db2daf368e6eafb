#include "support/TestHttpServer.h"

#include <QHostAddress>
#include <QPointer>
#include <QTcpSocket>
#include <QTimer>

#include <memory>

namespace korvel::test {

QByteArray TestHttpServer::Request::header(const QByteArray& name) const
{
    for (const auto& [n, v] : headers) {
        if (n.compare(name, Qt::CaseInsensitive) == 0) {
            return v;
        }
    }
    return {};
}

TestHttpServer::TestHttpServer(Handler handler, QObject* parent) : QObject(parent), m_handler(std::move(handler))
{
    connect(&m_server, &QTcpServer::newConnection, this, &TestHttpServer::onConnection);
}

bool TestHttpServer::listen()
{
    return m_server.listen(QHostAddress::LocalHost, 0);
}

QString TestHttpServer::baseUrl() const
{
    return QStringLiteral("http://127.0.0.1:%1").arg(m_server.serverPort());
}

void TestHttpServer::onConnection()
{
    while (QTcpSocket* socket = m_server.nextPendingConnection()) {
        socket->setParent(this);
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        auto buffer = std::make_shared<QByteArray>();
        connect(socket, &QTcpSocket::readyRead, socket, [this, socket, buffer] {
            buffer->append(socket->readAll());
            const qsizetype end = buffer->indexOf("\r\n\r\n");
            if (end < 0) {
                return;
            }
            const QList<QByteArray> head = buffer->left(end).split('\n');
            const QList<QByteArray> requestLine = head.value(0).trimmed().split(' ');
            buffer->clear();
            Request request;
            request.method = QString::fromLatin1(requestLine.value(0));
            request.target = QString::fromLatin1(requestLine.value(1));
            for (qsizetype i = 1; i < head.size(); ++i) {
                const QByteArray line = head[i].trimmed();
                const qsizetype colon = line.indexOf(':');
                if (colon > 0) {
                    request.headers.append({line.left(colon).trimmed(), line.mid(colon + 1).trimmed()});
                }
            }
            m_targets << request.target;
            m_requests << request;
            const Response response = m_handler(request);
            QPointer<QTcpSocket> guarded(socket);
            const auto answer = [guarded, response] {
                QTcpSocket* s = guarded.data();
                if (!s) {
                    return;
                }
                using B = Response::Behaviour;
                if (response.behaviour == B::NeverAnswer) {
                    return;
                }
                if (response.behaviour == B::CloseWithoutAnswer) {
                    s->disconnectFromHost();
                    return;
                }
                QByteArray out = "HTTP/1.1 " + QByteArray::number(response.status) + " " +
                                 (response.status == 200 ? "OK" : "Error") + "\r\n";
                out += "Content-Type: " + response.contentType + "\r\n";
                out += "Content-Length: " + QByteArray::number(response.body.size()) + "\r\n";
                for (const auto& [name, value] : response.headers) {
                    out += name + ": " + value + "\r\n";
                }
                out += "Connection: close\r\n\r\n";
                s->write(out);
                if (response.behaviour == B::CloseMidBody) {
                    s->write(response.body.left(response.body.size() / 2));
                    s->flush();
                    s->disconnectFromHost();
                    return;
                }
                s->write(response.body);
                s->disconnectFromHost(); // after the pending bytes are written
            };
            if (response.delayMs > 0) {
                QTimer::singleShot(response.delayMs, socket, answer);
            } else {
                answer();
            }
        });
    }
}

} // namespace korvel::test
