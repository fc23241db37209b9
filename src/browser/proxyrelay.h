#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTcpServer>

// The one proxy the engine is told about: a small forwarding proxy on loopback inside the
// process. Every request of every page (loopback addresses included) comes to it, and it
// sends each on along the route in force: straight to the server, through an HTTP proxy,
// or as the platform's proxy settings say. A change of route applies to the next request:
// connections are made per request and the open ones are closed at the change.
class TProxyRelay final : public QObject {
    Q_OBJECT
public:
    struct TRoute {
        enum Kind { Direct, Proxy, System };
        Kind kind = Direct;
        QString host;
        quint16 port = 0;
        bool operator==(const TRoute& other) const = default;
    };

    explicit TProxyRelay(QObject* parent = nullptr);
    ~TProxyRelay() override;

    // The relay of the process once StartForEngine made it, else nullptr.
    static TProxyRelay* instance();
    // Starts the process's relay (once) and adds the switches that make the engine use it
    // for everything to QTWEBENGINE_CHROMIUM_FLAGS; must run before the engine starts. False
    // when it cannot listen: the engine then keeps the application proxy.
    static bool StartForEngine();

    bool listen();
    quint16 port() const { return m_server.serverPort(); }
    // The engine switches naming this relay as the proxy for every address.
    QByteArray EngineFlags() const;

    const TRoute& route() const { return m_route; }
    void setRoute(const TRoute& route);
    // Requests taken since the start (each connection counts once).
    int requestCount() const { return m_requests; }

private:
    void accept();

    QTcpServer m_server;
    TRoute m_route;
    int m_requests = 0;
    QList<QPointer<QObject>> m_connections;
};
