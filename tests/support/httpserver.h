#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPair>
#include <QString>
#include <QUrl>
#include <QUrlQuery>

#include <functional>
#include <memory>
#include <vector>

class QHttpServer;
class QHttpServerRequest;
class QHttpServerResponder;
class QTcpServer;

// An HTTP/1.1 server inside the test process, for end-to-end tests on the real engine, on
// Qt's HTTP server. It listens on 127.0.0.1 (a local page) and 127.0.0.2 (a remote page) on
// the same port and serves files of a folder, registered pages, handlers and downloads,
// each at once or after a delay. Every request is recorded.
class THttpServer : public QObject {
    Q_OBJECT
public:
    struct Request {
        QString path;  // decoded path, without the query
        QUrlQuery query;
        QByteArray body;

        // A form field of the query (GET) or of an url-encoded body (POST).
        QString formValue(const QString& name) const;
    };

    struct Response {
        int status = 200;
        QByteArray contentType = "text/html; charset=utf-8";
        QByteArray body;
        QList<QPair<QByteArray, QByteArray>> headers;

        static Response html(const QByteArray& body);
        static Response notFound();
    };

    using Handler = std::function<Response(const Request&)>;

    explicit THttpServer(QObject* parent = nullptr);
    ~THttpServer() override;

    // Listens on both loopback addresses; false when either cannot be bound.
    bool start();
    quint16 port() const { return m_port; }

    // "http://127.0.0.1:port" + path, or on 127.0.0.2 when remote.
    QUrl url(const QString& path, bool remote = false) const;
    QString urlText(const QString& path, bool remote = false) const { return url(path, remote).toString(); }

    // The fixture pages of the source tree (tests/fixtures/pages), served by their relative
    // path ("/a/b.html" -> pages/a/b.html).
    static QString fixturePagesDirectory();

    void addPage(const QString& path, const QByteArray& body,
                 const QByteArray& contentType = "text/html; charset=utf-8");
    void addHandler(const QString& path, Handler handler);
    // A response that the engine treats as a download of the given file name.
    void addDownload(const QString& path, const QByteArray& bytes, const QString& fileName);
    // Answers requests for the path (files, pages or handlers) only after a delay.
    void setDelay(const QString& path, int milliseconds);

    const QList<Request>& requests() const { return m_requests; }
    int requestCount(const QString& path) const;
    void clearRequests() { m_requests.clear(); }

private:
    struct Pending; // a response held back by a delay

    void handle(const QHttpServerRequest& request, QHttpServerResponder&& responder);
    Response respond(const Request& request);
    Response serveFile(const QString& path) const;
    static void send(QHttpServerResponder& responder, const Response& response);

    std::unique_ptr<QHttpServer> m_server;
    quint16 m_port = 0;
    QString m_root;
    QHash<QString, Handler> m_routes;
    QHash<QString, int> m_delays;
    QList<Request> m_requests;
    std::vector<std::unique_ptr<Pending>> m_pending;
};
