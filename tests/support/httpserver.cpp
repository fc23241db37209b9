#include "support/httpserver.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHostAddress>
#include <QHttpServer>
#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QTcpServer>
#include <QTimer>

#include <algorithm>

#ifndef CALVERDINE_SOURCE_DIR
#define CALVERDINE_SOURCE_DIR "."
#endif

namespace {

QByteArray contentTypeFor(const QString& path, const QByteArray& body)
{
    // The fixture folder holds pages and scripts; a page that names its own encoding keeps it.
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("js"))
        return "text/javascript; charset=utf-8";
    if (suffix != QLatin1String("html"))
        return "application/octet-stream";
    return body.left(4096).toLower().contains("charset") ? "text/html" : "text/html; charset=utf-8";
}

} // namespace

struct THttpServer::Pending {
    QHttpServerResponder responder;
    Response response;
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
    return Response { 200, "text/html; charset=utf-8", body, {} };
}

THttpServer::Response THttpServer::Response::notFound()
{
    return Response { 404, "text/plain; charset=utf-8", "not found", {} };
}

THttpServer::THttpServer(QObject* parent) : QObject(parent), m_root(fixturePagesDirectory()) {}

THttpServer::~THttpServer()
{
    // Held responses go before the server whose connections they answer.
    m_pending.clear();
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
        m_server = std::make_unique<QHttpServer>();
        m_server->setMissingHandler([this](const QHttpServerRequest& request, QHttpServerResponder&& responder) {
            handle(request, std::move(responder));
        });
        m_server->bind(local.release()); // the HTTP server owns the listening sockets
        m_server->bind(remote.release());
        return true;
    }
    return false;
}

QUrl THttpServer::url(const QString& path, bool remote) const
{
    return QUrl(QStringLiteral("http://127.0.0.%1:%2%3%4")
                    .arg(remote ? 2 : 1)
                    .arg(m_port)
                    .arg(path.startsWith(QLatin1Char('/')) ? QString() : QStringLiteral("/"), path));
}

void THttpServer::addPage(const QString& path, const QByteArray& body, const QByteArray& contentType)
{
    addHandler(path, [r = Response { 200, contentType, body, {} }](const Request&) { return r; });
}

void THttpServer::addHandler(const QString& path, Handler handler)
{
    m_routes[path] = std::move(handler);
}

void THttpServer::addDownload(const QString& path, const QByteArray& bytes, const QString& fileName)
{
    const Response r { 200, "application/octet-stream", bytes,
                       { { "Content-Disposition", "attachment; filename=\"" + fileName.toUtf8() + '"' } } };
    addHandler(path, [r](const Request&) { return r; });
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

void THttpServer::handle(const QHttpServerRequest& incoming, QHttpServerResponder&& responder)
{
    Request request;
    request.body = incoming.body();
    request.path = incoming.url().path(QUrl::FullyDecoded);
    request.query = incoming.query();
    m_requests.append(request);

    const Response response = respond(request);
    const int delay = m_delays.value(request.path, 0);
    if (delay <= 0) {
        send(responder, response);
        return;
    }
    auto pending = std::unique_ptr<Pending>(new Pending{ std::move(responder), response });
    Pending* held = pending.get();
    m_pending.push_back(std::move(pending));
    QTimer::singleShot(delay, this, [this, held] {
        send(held->responder, held->response);
        m_pending.erase(std::find_if(m_pending.begin(), m_pending.end(),
                                     [held](const auto& p) { return p.get() == held; }));
    });
}

THttpServer::Response THttpServer::respond(const Request& request)
{
    const Handler handler = m_routes.value(request.path);
    return handler ? handler(request) : serveFile(request.path);
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

void THttpServer::send(QHttpServerResponder& responder, const Response& response)
{
    responder.writeStatusLine(static_cast<QHttpServerResponder::StatusCode>(response.status));
    if (!response.contentType.isEmpty())
        responder.writeHeader("Content-Type", response.contentType);
    responder.writeHeader("Content-Length", QByteArray::number(response.body.size()));
    // Scripts stay in the browser's cache (the tool reads them from there); pages do not.
    responder.writeHeader("Cache-Control", response.contentType.startsWith("text/javascript") ? "max-age=3600" : "no-cache");
    for (const auto& h : response.headers)
        responder.writeHeader(h.first, h.second);
    responder.writeBody(response.body);
}
