#include "support/httpserver.h"

#include <QElapsedTimer>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace {

struct Fetched {
    int status = 0;
    QByteArray body;
    QByteArray disposition;
    QByteArray cacheControl;
};

Fetched fetch(const QUrl& url, const QByteArray& postBody = QByteArray())
{
    QNetworkAccessManager manager;
    QNetworkRequest request(url);
    std::unique_ptr<QNetworkReply> reply;
    if (postBody.isNull()) {
        reply.reset(manager.get(request));
    } else {
        request.setHeader(QNetworkRequest::ContentTypeHeader, "application/x-www-form-urlencoded");
        reply.reset(manager.post(request, postBody));
    }
    EXPECT_TRUE(QTest::qWaitFor([&] { return reply->isFinished(); }, 10000));
    Fetched f;
    f.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    f.body = reply->readAll();
    f.disposition = reply->rawHeader("Content-Disposition");
    f.cacheControl = reply->rawHeader("Cache-Control");
    return f;
}

}

TEST(HttpServer, ServesPagesDownloadsAndDelaysOnBothLoopbackAddressesAndRecordsRequests)
{
    THttpServer server;
    ASSERT_TRUE(server.start());
    server.addPage(QStringLiteral("/a.html"), "<p>a</p>");
    server.addHandler(QStringLiteral("/echo"), [](const THttpServer::Request& r) {
        return THttpServer::Response::html(r.formValue(QStringLiteral("user")).toUtf8());
    });

    EXPECT_EQ(fetch(server.url(QStringLiteral("/a.html"))).body, "<p>a</p>");
    EXPECT_EQ(fetch(server.url(QStringLiteral("/a.html"), true)).body, "<p>a</p>");
    EXPECT_EQ(fetch(server.url(QStringLiteral("/missing.html"))).status, 404);
    EXPECT_EQ(fetch(server.url(QStringLiteral("/echo")), "user=%E5%B1%B1%E7%94%B0+x&pw=1").body,
              QStringLiteral("山田 x").toUtf8());
    EXPECT_EQ(fetch(QUrl(server.urlText(QStringLiteral("/echo?user=q")))).body, "q");

    ASSERT_EQ(server.requests().size(), 5);
    EXPECT_FALSE(server.requests()[0].remote);
    EXPECT_TRUE(server.requests()[1].remote);
    EXPECT_EQ(server.requests()[3].method, "POST");
    EXPECT_EQ(server.requestCount(QStringLiteral("/a.html")), 2);

    server.addDownload(QStringLiteral("/file.csv"), "a,b\n", QStringLiteral("file.csv"));
    server.addPage(QStringLiteral("/lib.js"), "var x = 1;", "text/javascript; charset=utf-8");
    server.addPage(QStringLiteral("/slow.html"), "slow");
    server.setDelay(QStringLiteral("/slow.html"), 300);

    const Fetched download = fetch(server.url(QStringLiteral("/file.csv")));
    EXPECT_EQ(download.body, "a,b\n");
    EXPECT_TRUE(download.disposition.startsWith("attachment"));
    EXPECT_EQ(fetch(server.url(QStringLiteral("/lib.js"))).cacheControl, "max-age=3600");

    QElapsedTimer timer;
    timer.start();
    EXPECT_EQ(fetch(server.url(QStringLiteral("/slow.html"))).body, "slow");
    EXPECT_GE(timer.elapsed(), 250);
}
