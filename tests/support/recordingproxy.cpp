#include "support/recordingproxy.h"

#include <QTcpSocket>
#include <QUrl>

TRecordingProxy::TRecordingProxy(QObject* parent) : QObject(parent)
{
    connect(&m_server, &QTcpServer::newConnection, this, &TRecordingProxy::accept);
}

bool TRecordingProxy::start()
{
    return m_server.listen(QHostAddress::LocalHost);
}

void TRecordingProxy::accept()
{
    while (QTcpSocket* client = m_server.nextPendingConnection()) {
        auto* buffer = new QByteArray;
        connect(client, &QObject::destroyed, this, [buffer] { delete buffer; });
        connect(client, &QTcpSocket::disconnected, client, &QObject::deleteLater);
        connect(client, &QTcpSocket::readyRead, this, [this, client, buffer] {
            buffer->append(client->readAll());
            const qsizetype end = buffer->indexOf("\r\n\r\n");
            if (end < 0 || client->property("forwarded").toBool())
                return;
            QList<QByteArray> lines = buffer->left(end).split('\n');
            qsizetype length = 0;
            for (const QByteArray& line : lines) {
                if (line.trimmed().toLower().startsWith("content-length:"))
                    length = line.mid(line.indexOf(':') + 1).trimmed().toLongLong();
            }
            if (buffer->size() < end + 4 + length)
                return;
            client->setProperty("forwarded", true);
            const QList<QByteArray> first = lines.takeFirst().trimmed().split(' ');
            if (first.size() < 3)
                return client->disconnectFromHost();
            m_requests.append(QString::fromLatin1(first[0] + ' ' + first[1]));
            const QUrl target(QString::fromLatin1(first[1]));
            QByteArray forwarded = first[0] + ' ' + target.path(QUrl::FullyEncoded).toLatin1();
            if (target.hasQuery())
                forwarded += '?' + target.query(QUrl::FullyEncoded).toLatin1();
            forwarded += " HTTP/1.1\r\n";
            for (const QByteArray& line : lines) {
                const QByteArray name = line.left(line.indexOf(':')).trimmed().toLower();
                if (name == "connection" || name == "proxy-connection" || name == "keep-alive")
                    continue;
                forwarded += line.trimmed() + "\r\n";
            }
            forwarded += "Connection: close\r\n\r\n" + buffer->mid(end + 4, length);

            auto* upstream = new QTcpSocket(client);
            connect(upstream, &QTcpSocket::connected, upstream, [upstream, forwarded] { upstream->write(forwarded); });
            connect(upstream, &QTcpSocket::readyRead, client, [upstream, client] { client->write(upstream->readAll()); });
            connect(upstream, &QTcpSocket::disconnected, client, [upstream, client] {
                client->write(upstream->readAll());
                client->disconnectFromHost();
            });
            connect(upstream, &QTcpSocket::errorOccurred, client, [client](QAbstractSocket::SocketError error) {
                if (error != QAbstractSocket::RemoteHostClosedError)
                    client->disconnectFromHost();
            });
            upstream->connectToHost(m_upstreamHost, m_upstreamPort);
        });
    }
}
