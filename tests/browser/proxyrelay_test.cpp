#include "browser/proxyrelay.h"
#include "support/httpserver.h"
#include "support/recordingproxy.h"

#include <QCoreApplication>
#include <QNetworkProxy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtCore/qtestsupport_core.h>

#include <gtest/gtest.h>

#include <functional>

namespace {

bool WaitFor(const std::function<bool()>& condition) { return QTest::qWaitFor(condition, 10000); }

// A client of the relay: sends the bytes and collects what comes back until the relay
// closes the connection (or the answer holds the text looked for).
struct TClient {
    explicit TClient(quint16 port)
    {
        socket.setProxy(QNetworkProxy::NoProxy);
        QObject::connect(&socket, &QTcpSocket::readyRead, [this] { received += socket.readAll(); });
        QObject::connect(&socket, &QTcpSocket::disconnected, [this] { closed = true; });
        socket.connectToHost(QHostAddress::LocalHost, port);
    }
    bool send(const QByteArray& bytes)
    {
        if (!WaitFor([&] { return socket.state() == QAbstractSocket::ConnectedState; }))
            return false;
        socket.write(bytes);
        return true;
    }
    bool waitClosed() { return WaitFor([&] { return closed; }); }
    bool waitFor(const QByteArray& text) { return WaitFor([&] { return received.contains(text) || closed; }) && received.contains(text); }

    QTcpSocket socket;
    QByteArray received;
    bool closed = false;
};

class ProxyRelayTest : public testing::Test {
protected:
    ProxyRelayTest()
    {
        EXPECT_TRUE(server.start());
        EXPECT_TRUE(proxy.start());
        EXPECT_TRUE(relay.listen());
        proxy.setUpstream(QHostAddress::LocalHost, server.port());
        server.addPage("/p.html", "<html><body>page</body></html>");
    }
    QByteArray request(const QByteArray& method = "GET") const
    {
        const QByteArray url = server.urlText("/p.html").toLatin1();
        return method + " " + url + " HTTP/1.1\r\nHost: 127.0.0.1\r\nProxy-Connection: keep-alive\r\nKeep-Alive: 300\r\n\r\n";
    }
    TProxyRelay::TRoute viaProxy() const { return { TProxyRelay::TRoute::Proxy, "127.0.0.1", proxy.port() }; }

    THttpServer server;
    TRecordingProxy proxy;
    TProxyRelay relay;
};

} // namespace

TEST_F(ProxyRelayTest, RequestsFollowTheRouteInForceOneConnectionEach)
{
    struct Row { const char* name; bool viaProxy; };
    for (const Row& row : { Row { "direct", false }, Row { "through the proxy", true } }) {
        relay.setRoute(row.viaProxy ? viaProxy() : TProxyRelay::TRoute());
        const qsizetype before = proxy.requests().size();
        TClient client(relay.port());
        ASSERT_TRUE(client.send(request())) << row.name;
        ASSERT_TRUE(client.waitFor("page")) << row.name;
        EXPECT_TRUE(client.received.startsWith("HTTP/1.1 200")) << row.name << client.received.constData();
        EXPECT_TRUE(client.received.contains("page")) << row.name;
        EXPECT_TRUE(client.received.contains("Connection: close\r\n")) << row.name << ": the client takes a new connection next time";
        EXPECT_FALSE(client.received.toLower().contains("keep-alive")) << row.name;
        EXPECT_EQ(proxy.requests().size(), before + (row.viaProxy ? 1 : 0)) << row.name;
    }
}

TEST_F(ProxyRelayTest, TunnelsAreOpenedDirectlyAndClosedWhenTheRouteChanges)
{
    TClient client(relay.port());
    const QByteArray target = "127.0.0.1:" + QByteArray::number(server.port());
    ASSERT_TRUE(client.send("CONNECT " + target + " HTTP/1.1\r\nHost: " + target + "\r\n\r\n"));
    ASSERT_TRUE(client.waitFor("HTTP/1.1 200 Connection Established\r\n\r\n"));
    client.received.clear();
    // Inside the tunnel the bytes pass untouched.
    client.socket.write("GET /p.html HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
    ASSERT_TRUE(client.waitFor("page"));
    relay.setRoute(viaProxy());
    EXPECT_TRUE(client.waitClosed()) << "an open tunnel does not keep the old route";
}

TEST_F(ProxyRelayTest, RequestsThatGoNowhereAreClosedWithoutAnAnswer)
{
    QTcpServer closed;
    ASSERT_TRUE(closed.listen(QHostAddress::LocalHost, 0));
    const quint16 deadPort = closed.serverPort();
    closed.close();
    struct Row { const char* name; QByteArray bytes; };
    const Row rows[] = {
        { "refused server", "GET http://127.0.0.1:" + QByteArray::number(deadPort) + "/ HTTP/1.1\r\nHost: x\r\n\r\n" },
        { "no absolute address", "GET /p.html HTTP/1.1\r\nHost: x\r\n\r\n" },
        { "not a request line", "HELLO\r\n\r\n" },
        { "head without end", QByteArray(70 * 1024, 'a') },
    };
    for (const Row& row : rows) {
        TClient client(relay.port());
        ASSERT_TRUE(client.send(row.bytes)) << row.name;
        EXPECT_TRUE(client.waitClosed()) << row.name;
        EXPECT_TRUE(client.received.isEmpty()) << row.name;
    }
    relay.setRoute({ TProxyRelay::TRoute::Proxy, "127.0.0.1", deadPort });
    TClient client(relay.port());
    ASSERT_TRUE(client.send(request()));
    EXPECT_TRUE(client.waitClosed()) << "a proxy that is not there";
    EXPECT_TRUE(client.received.isEmpty());
}
