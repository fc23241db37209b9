#include "support/httpserver.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHostAddress>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <algorithm>

#ifndef CALVERDINE_SOURCE_DIR
#define CALVERDINE_SOURCE_DIR "."
#endif

namespace {

constexpr int kMaxHeaderBytes = 64 * 1024;
constexpr qint64 kMaxBodyBytes = 16 * 1024 * 1024;

QByteArray reasonPhrase(int status)
{
    switch (status) {
    case 200: return "OK";
    case 204: return "No Content";
    case 301: return "Moved Permanently";
    case 302: return "Found";
    case 304: return "Not Modified";
    case 400: return "Bad Request";
    case 404: return "Not Found";
    case 500: return "Internal Server Error";
    default: return "Status";
    }
}

QByteArray contentTypeFor(const QString& path, const QByteArray& body)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("html") || suffix == QLatin1String("htm")) {
        // A page that names its own encoding keeps it; the rest is served as UTF-8.
        if (body.left(4096).toLower().contains("charset"))
            return "text/html";
        return "text/html; charset=utf-8";
    }
    if (suffix == QLatin1String("js"))
        return "text/javascript; charset=utf-8";
    if (suffix == QLatin1String("css"))
        return "text/css; charset=utf-8";
    if (suffix == QLatin1String("json"))
        return "application/json";
    if (suffix == QLatin1String("txt"))
        return "text/plain; charset=utf-8";
    if (suffix == QLatin1String("png"))
        return "image/png";
    if (suffix == QLatin1String("gif"))
        return "image/gif";
    if (suffix == QLatin1String("jpg") || suffix == QLatin1String("jpeg"))
        return "image/jpeg";
    return "application/octet-stream";
}

}

struct THttpServer::Connection {
    QPointer<QTcpSocket> socket;
    QByteArray buffer;
    bool remote = false;
    bool answered = false;
};

QString THttpServer::Request::formValue(const QString& name) const
{
    if (query.hasQueryItem(name))
        return query.queryItemValue(name, QUrl::FullyDecoded);
    QByteArray text = body;
    text.replace('+', ' ');
    const QUrlQuery form(QString::fromUtf8(text));
    return form.queryItemValue(name, QUrl::FullyDecoded);
}

THttpServer::Response THttpServer::Response::html(const QByteArray& body)
{
    Response r;
    r.body = body;
    return r;
}

THttpServer::Response THttpServer::Response::notFound()
{
    Response r;
    r.status = 404;
    r.contentType = "text/plain; charset=utf-8";
    r.body = "not found";
    return r;
}

THttpServer::Response THttpServer::Response::redirect(const QByteArray& location)
{
    Response r;
    r.status = 302;
    r.body.clear();
    r.headers.append({ "Location", location });
    return r;
}

THttpServer::THttpServer(QObject* parent) : QObject(parent), m_root(fixturePagesDirectory()) {}

THttpServer::~THttpServer()
{
    for (auto& c : m_connections) {
        if (c->socket)
            c->socket->abort();
    }
}

QString THttpServer::fixturePagesDirectory()
{
    return QStringLiteral(CALVERDINE_SOURCE_DIR "/tests/fixtures/pages");
}

bool THttpServer::start()
{
    // The same port on both addresses keeps local and remote addresses alike but for the host.
    for (int attempt = 0; attempt < 20; ++attempt) {
        auto local = std::make_unique<QTcpServer>();
        if (!local->listen(QHostAddress(QStringLiteral("127.0.0.1")), 0))
            return false;
        auto remote = std::make_unique<QTcpServer>();
        if (!remote->listen(QHostAddress(QStringLiteral("127.0.0.2")), local->serverPort()))
            continue;
        m_port = local->serverPort();
        m_local = std::move(local);
        m_remote = std::move(remote);
        QTcpServer* l = m_local.get();
        QTcpServer* r = m_remote.get();
        connect(l, &QTcpServer::newConnection, this, [this, l] { handleNewConnection(l, false); });
        connect(r, &QTcpServer::newConnection, this, [this, r] { handleNewConnection(r, true); });
        return true;
    }
    return false;
}

QUrl THttpServer::url(const QString& path, bool remote) const
{
    const QString host = remote ? QStringLiteral("127.0.0.2") : QStringLiteral("127.0.0.1");
    QString p = path;
    if (!p.startsWith(QLatin1Char('/')))
        p.prepend(QLatin1Char('/'));
    return QUrl(QStringLiteral("http://") + host + QLatin1Char(':') + QString::number(m_port) + p);
}

void THttpServer::addPage(const QString& path, const QByteArray& body, const QByteArray& contentType)
{
    addHandler(path, [body, contentType](const Request&) {
        Response r;
        r.body = body;
        r.contentType = contentType;
        return r;
    });
}

void THttpServer::addHandler(const QString& path, Handler handler)
{
    m_routes[path].handler = std::move(handler);
}

void THttpServer::addDownload(const QString& path, const QByteArray& bytes, const QString& fileName)
{
    addHandler(path, [bytes, fileName](const Request&) {
        Response r;
        r.contentType = "application/octet-stream";
        r.body = bytes;
        r.headers.append({ "Content-Disposition", "attachment; filename=\"" + fileName.toUtf8() + '"' });
        return r;
    });
}

void THttpServer::setDelay(const QString& path, int milliseconds)
{
    m_delays[path] = milliseconds;
}

int THttpServer::requestCount(const QString& path) const
{
    return int(std::count_if(m_requests.begin(), m_requests.end(),
                             [&](const Request& r) { return r.path == path; }));
}

void THttpServer::handleNewConnection(QTcpServer* server, bool remote)
{
    while (QTcpSocket* socket = server->nextPendingConnection()) {
        auto connection = std::make_unique<Connection>();
        connection->socket = socket;
        connection->remote = remote;
        Connection* c = connection.get();
        m_connections.push_back(std::move(connection));
        socket->setParent(this);
        connect(socket, &QTcpSocket::readyRead, this, [this, c] { handleReadyRead(c); });
        connect(socket, &QTcpSocket::disconnected, this, [this, c] { dropConnection(c); });
    }
}

void THttpServer::dropConnection(Connection* connection)
{
    auto it = std::find_if(m_connections.begin(), m_connections.end(),
                           [connection](const auto& c) { return c.get() == connection; });
    if (it == m_connections.end())
        return;
    if (QTcpSocket* socket = (*it)->socket)
        socket->deleteLater();
    m_connections.erase(it);
}

void THttpServer::handleReadyRead(Connection* connection)
{
    if (!connection->socket || connection->answered)
        return;
    connection->buffer += connection->socket->readAll();
    if (!parseRequest(connection) && connection->buffer.size() > kMaxHeaderBytes + kMaxBodyBytes) {
        Response bad;
        bad.status = 400;
        connection->answered = true;
        sendResponse(connection->socket, bad); // may drop the connection
    }
}

bool THttpServer::parseRequest(Connection* connection)
{
    const int headerEnd = connection->buffer.indexOf("\r\n\r\n");
    if (headerEnd < 0)
        return false;
    const QList<QByteArray> lines = connection->buffer.left(headerEnd).split('\n');
    const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
    if (requestLine.size() < 2) {
        Response bad;
        bad.status = 400;
        connection->answered = true;
        sendResponse(connection->socket, bad);
        return true;
    }
    Request request;
    request.method = requestLine[0];
    request.remote = connection->remote;
    for (int i = 1; i < lines.size(); ++i) {
        const QByteArray line = lines[i].trimmed();
        const int colon = line.indexOf(':');
        if (colon > 0)
            request.headers.insert(line.left(colon).trimmed().toLower(), line.mid(colon + 1).trimmed());
    }
    bool ok = false;
    const qint64 length = request.headers.value("content-length").toLongLong(&ok);
    const qint64 bodyLength = ok ? std::clamp<qint64>(length, 0, kMaxBodyBytes) : 0;
    if (connection->buffer.size() - (headerEnd + 4) < bodyLength)
        return false;
    request.body = connection->buffer.mid(headerEnd + 4, bodyLength);
    request.host = request.headers.value("host");
    const QUrl target(QString::fromUtf8(requestLine[1]));
    request.path = target.path(QUrl::FullyDecoded);
    request.query = QUrlQuery(target.query(QUrl::FullyEncoded));
    connection->answered = true;
    m_requests.append(request);

    const Response response = respond(request);
    int delay = std::max(response.delayMs, m_delays.value(request.path, 0));
    QPointer<QTcpSocket> socket = connection->socket;
    const QString path = request.path;
    auto send = [this, socket, response, path] {
        if (!socket)
            return;
        sendResponse(socket, response);
        Q_EMIT requestServed(path);
    };
    if (delay > 0)
        QTimer::singleShot(delay, this, send);
    else
        send();
    return true;
}

THttpServer::Response THttpServer::respond(const Request& request)
{
    auto it = m_routes.constFind(request.path);
    if (it != m_routes.constEnd() && it->handler)
        return it->handler(request);
    return serveFile(request.path);
}

THttpServer::Response THttpServer::serveFile(const QString& path) const
{
    if (m_root.isEmpty() || path.contains(QLatin1String("..")))
        return Response::notFound();
    QString relative = path;
    if (relative.endsWith(QLatin1Char('/')))
        relative += QStringLiteral("index.html");
    QFile file(QDir(m_root).filePath(relative.mid(1)));
    if (!file.open(QIODevice::ReadOnly))
        return Response::notFound();
    Response r;
    r.body = file.readAll();
    r.contentType = contentTypeFor(relative, r.body);
    return r;
}

void THttpServer::sendResponse(QTcpSocket* socket, const Response& response)
{
    if (!socket)
        return;
    QByteArray head = "HTTP/1.1 " + QByteArray::number(response.status) + ' ' + reasonPhrase(response.status) + "\r\n";
    bool hasCacheControl = false;
    for (const auto& h : response.headers)
        hasCacheControl = hasCacheControl || h.first.toLower() == "cache-control";
    if (!response.contentType.isEmpty())
        head += "Content-Type: " + response.contentType + "\r\n";
    head += "Content-Length: " + QByteArray::number(response.body.size()) + "\r\n";
    if (!hasCacheControl) {
        // Scripts stay in the browser's cache (the tool reads them from there); pages do not.
        head += response.contentType.startsWith("text/javascript") ? "Cache-Control: max-age=3600\r\n"
                                                                    : "Cache-Control: no-cache\r\n";
    }
    for (const auto& h : response.headers)
        head += h.first + ": " + h.second + "\r\n";
    head += "Connection: close\r\n\r\n";
    socket->write(head);
    socket->write(response.body);
    socket->disconnectFromHost();
}
