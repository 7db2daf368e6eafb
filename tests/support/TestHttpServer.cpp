#include "support/TestHttpServer.h"

#include <QHostAddress>
#include <QTcpSocket>

#include <memory>

namespace korvel::test {

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
            const QList<QByteArray> requestLine = buffer->left(buffer->indexOf("\r\n")).split(' ');
            buffer->clear();
            Request request;
            request.method = QString::fromLatin1(requestLine.value(0));
            request.target = QString::fromLatin1(requestLine.value(1));
            m_targets << request.target;
            const Response response = m_handler(request);

            using B = Response::Behaviour;
            if (response.behaviour == B::NeverAnswer) {
                return;
            }
            if (response.behaviour == B::CloseWithoutAnswer) {
                socket->disconnectFromHost();
                return;
            }
            QByteArray head = "HTTP/1.1 " + QByteArray::number(response.status) + " " +
                              (response.status == 200 ? "OK" : "Error") + "\r\n";
            head += "Content-Type: " + response.contentType + "\r\n";
            head += "Content-Length: " + QByteArray::number(response.body.size()) + "\r\n";
            head += "Connection: close\r\n\r\n";
            socket->write(head);
            if (response.behaviour == B::CloseMidBody) {
                socket->write(response.body.left(response.body.size() / 2));
                socket->flush();
                socket->disconnectFromHost();
                return;
            }
            socket->write(response.body);
            socket->disconnectFromHost(); // after the pending bytes are written
        });
    }
}

} // namespace korvel::test
