#pragma once

#include <QHostAddress>
#include <QObject>
#include <QStringList>
#include <QTcpServer>

// A small HTTP proxy inside the test process: it records the absolute address of every
// request it receives and forwards the request to one upstream server (whatever host the
// address names), handing the answer back. One request per connection.
class TRecordingProxy : public QObject {
    Q_OBJECT
public:
    explicit TRecordingProxy(QObject* parent = nullptr);

    // Listens on 127.0.0.1; false when it cannot.
    bool start();
    quint16 port() const { return m_server.serverPort(); }
    void setUpstream(const QHostAddress& host, quint16 port) { m_upstreamHost = host; m_upstreamPort = port; }

    // "GET http://host/path", in arrival order.
    const QStringList& requests() const { return m_requests; }

private:
    void accept();

    QTcpServer m_server;
    QHostAddress m_upstreamHost = QHostAddress::LocalHost;
    quint16 m_upstreamPort = 0;
    QStringList m_requests;
};
