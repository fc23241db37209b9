#include "browser/proxyrelay.h"

#include <QCoreApplication>
#include <QNetworkProxy>
#include <QNetworkProxyFactory>
#include <QNetworkProxyQuery>
#include <QTcpSocket>
#include <QUrl>

namespace {

TProxyRelay* s_relay = nullptr;

constexpr qsizetype kMaxHead = 64 * 1024;

// The head with its connection headers replaced by "Connection: close", so that every
// request takes a connection of its own and follows the route in force when it was made.
QByteArray CloseAfterThis(const QByteArray& head, const QByteArray& firstLine)
{
    QList<QByteArray> lines = head.split('\n');
    QByteArray result = firstLine + "\r\n";
    for (qsizetype i = 1; i < lines.size(); ++i) {
        QByteArray line = lines.at(i);
        if (line.endsWith('\r'))
            line.chop(1);
        if (line.isEmpty())
            continue;
        const QByteArray name = line.left(line.indexOf(':')).trimmed().toLower();
        if (name == "connection" || name == "proxy-connection" || name == "keep-alive")
            continue;
        result += line + "\r\n";
    }
    return result + "Connection: close\r\n\r\n";
}

QByteArray FirstLine(const QByteArray& head)
{
    QByteArray line = head.left(head.indexOf('\n'));
    if (line.endsWith('\r'))
        line.chop(1);
    return line;
}

// One client connection: its first request decides where it goes; after that bytes are
// passed both ways until either side closes.
class TRelayConnection final : public QObject {
public:
    TRelayConnection(QTcpSocket* client, const TProxyRelay::TRoute& route, QObject* parent)
        : QObject(parent), m_client(client), m_route(route)
    {
        client->setParent(this);
        connect(client, &QTcpSocket::readyRead, this, &TRelayConnection::fromClient);
        connect(client, &QTcpSocket::disconnected, this, &TRelayConnection::clientGone);
        connect(client, &QTcpSocket::errorOccurred, this, &TRelayConnection::clientGone);
        fromClient();
    }

    void close()
    {
        if (m_upstream)
            m_upstream->abort();
        m_client->abort();
        deleteLater();
    }

private:
    void fromClient()
    {
        m_fromClient += m_client->readAll();
        if (m_upstream) {
            if (m_upstream->state() == QAbstractSocket::ConnectedState && (m_tunnel || m_headSent))
                flushToUpstream();
            return;
        }
        const qsizetype end = m_fromClient.indexOf("\r\n\r\n");
        if (end < 0) {
            if (m_fromClient.size() > kMaxHead)
                close();
            return;
        }
        const QByteArray head = m_fromClient.left(end + 4);
        m_fromClient.remove(0, end + 4);
        const QList<QByteArray> parts = FirstLine(head).split(' ');
        if (parts.size() != 3) {
            close();
            return;
        }
        const QByteArray method = parts.at(0);
        const QByteArray target = parts.at(1);
        QString host;
        quint16 port = 0;
        QUrl url;
        if (method.compare("CONNECT", Qt::CaseInsensitive) == 0) {
            m_tunnel = true;
            const qsizetype colon = target.lastIndexOf(':');
            host = QString::fromLatin1(target.left(colon));
            if (host.startsWith(QLatin1Char('[')) && host.endsWith(QLatin1Char(']')))
                host = host.mid(1, host.size() - 2);
            port = quint16(target.mid(colon + 1).toUInt());
            url = QUrl(QStringLiteral("https://") + QString::fromLatin1(target));
        } else {
            url = QUrl(QString::fromLatin1(target));
            host = url.host();
            port = quint16(url.port(url.scheme() == QLatin1String("https") ? 443 : 80));
        }
        if (host.isEmpty() || port == 0) {
            close();
            return;
        }

        TProxyRelay::TRoute route = m_route;
        if (route.kind == TProxyRelay::TRoute::System) {
            route = TProxyRelay::TRoute();
            const QList<QNetworkProxy> proxies = QNetworkProxyFactory::systemProxyForQuery(QNetworkProxyQuery(url));
            if (!proxies.isEmpty() && (proxies.first().type() == QNetworkProxy::HttpProxy)) {
                route.kind = TProxyRelay::TRoute::Proxy;
                route.host = proxies.first().hostName();
                route.port = proxies.first().port();
            }
        }
        m_viaProxy = route.kind == TProxyRelay::TRoute::Proxy;
        if (m_viaProxy) {
            // The proxy gets the request as it came (a tunnel request included).
            m_head = m_tunnel ? head : CloseAfterThis(head, FirstLine(head));
        } else if (!m_tunnel) {
            QByteArray path = url.path(QUrl::FullyEncoded).toLatin1();
            if (path.isEmpty())
                path = "/";
            if (url.hasQuery())
                path += '?' + url.query(QUrl::FullyEncoded).toLatin1();
            m_head = CloseAfterThis(head, method + ' ' + path + ' ' + parts.at(2));
        }
        m_upstream = new QTcpSocket(this);
        m_upstream->setProxy(QNetworkProxy::NoProxy);
        connect(m_upstream, &QTcpSocket::connected, this, &TRelayConnection::upstreamConnected);
        connect(m_upstream, &QTcpSocket::readyRead, this, &TRelayConnection::fromUpstream);
        connect(m_upstream, &QTcpSocket::disconnected, this, &TRelayConnection::upstreamGone);
        connect(m_upstream, &QTcpSocket::errorOccurred, this, &TRelayConnection::upstreamGone);
        if (m_viaProxy)
            m_upstream->connectToHost(route.host, route.port);
        else
            m_upstream->connectToHost(host, port);
    }

    void upstreamConnected()
    {
        if (m_tunnel && !m_viaProxy) {
            m_client->write("HTTP/1.1 200 Connection Established\r\n\r\n");
        } else {
            m_upstream->write(m_head);
            m_headSent = true;
        }
        flushToUpstream();
    }

    void flushToUpstream()
    {
        if (!m_fromClient.isEmpty()) {
            m_upstream->write(m_fromClient);
            m_fromClient.clear();
        }
    }

    void fromUpstream()
    {
        QByteArray bytes = m_upstream->readAll();
        if (!m_tunnel && !m_responseHeadDone) {
            m_responseHead += bytes;
            const qsizetype end = m_responseHead.indexOf("\r\n\r\n");
            if (end < 0) {
                if (m_responseHead.size() > kMaxHead)
                    close();
                return;
            }
            m_responseHeadDone = true;
            const QByteArray head = m_responseHead.left(end + 4);
            bytes = CloseAfterThis(head, FirstLine(head)) + m_responseHead.mid(end + 4);
            m_responseHead.clear();
        }
        m_client->write(bytes);
    }

    void upstreamGone()
    {
        if (m_closing)
            return;
        m_closing = true;
        if (m_upstream->bytesAvailable())
            fromUpstream();
        // Nothing came back: the client sees the connection closed, as it would have seen
        // the server's refusal itself.
        if (!m_responseHead.isEmpty())
            m_client->write(m_responseHead);
        m_client->disconnectFromHost();
        if (m_client->state() == QAbstractSocket::UnconnectedState)
            deleteLater();
        else
            connect(m_client, &QTcpSocket::disconnected, this, &QObject::deleteLater);
    }

    void clientGone()
    {
        if (m_upstream)
            m_upstream->abort();
        deleteLater();
    }

    QTcpSocket* m_client;
    QTcpSocket* m_upstream = nullptr;
    TProxyRelay::TRoute m_route;
    QByteArray m_fromClient;
    QByteArray m_head;
    QByteArray m_responseHead;
    bool m_tunnel = false;
    bool m_viaProxy = false;
    bool m_headSent = false;
    bool m_responseHeadDone = false;
    bool m_closing = false;
};

} // namespace

TProxyRelay::TProxyRelay(QObject* parent) : QObject(parent)
{
    m_server.setProxy(QNetworkProxy::NoProxy);
    connect(&m_server, &QTcpServer::newConnection, this, &TProxyRelay::accept);
}

TProxyRelay::~TProxyRelay()
{
    if (s_relay == this)
        s_relay = nullptr;
}

TProxyRelay* TProxyRelay::instance()
{
    return s_relay;
}

bool TProxyRelay::StartForEngine()
{
    if (s_relay)
        return true;
    auto* relay = new TProxyRelay(qApp);
    if (!relay->listen()) {
        delete relay;
        return false;
    }
    // A choice made before the engine starts is carried over.
    const QNetworkProxy chosen = QNetworkProxy::applicationProxy();
    if (chosen.type() == QNetworkProxy::HttpProxy)
        relay->m_route = { TRoute::Proxy, chosen.hostName(), chosen.port() };
    else if (QNetworkProxyFactory::usesSystemConfiguration())
        relay->m_route.kind = TRoute::System;
    s_relay = relay;
    QByteArray flags = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
    if (!flags.isEmpty())
        flags += ' ';
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", flags + relay->EngineFlags());
    // The engine takes the proxy of its switches only while it follows the platform's
    // settings rather than the application proxy.
    QNetworkProxyFactory::setUseSystemConfiguration(true);
    return true;
}

bool TProxyRelay::listen()
{
    return m_server.isListening() || m_server.listen(QHostAddress::LocalHost, 0);
}

QByteArray TProxyRelay::EngineFlags() const
{
    // "<-loopback>": loopback addresses are not passed by the proxy, as the engine would
    // otherwise do on its own.
    return "--proxy-server=http://127.0.0.1:" + QByteArray::number(port()) + " --proxy-bypass-list=<-loopback>";
}

void TProxyRelay::setRoute(const TRoute& route)
{
    if (route == m_route)
        return;
    m_route = route;
    for (const QPointer<QObject>& connection : std::as_const(m_connections)) {
        if (auto* open = static_cast<TRelayConnection*>(connection.data()))
            open->close();
    }
    m_connections.clear();
}

void TProxyRelay::accept()
{
    m_connections.removeAll(QPointer<QObject>());
    while (QTcpSocket* client = m_server.nextPendingConnection()) {
        ++m_requests;
        m_connections.append(new TRelayConnection(client, m_route, this));
    }
}
