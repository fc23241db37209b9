#include "enginetab.h"

#include "browser/engine/enginebrowser.h"
#include "browser/engine/enginepagechannel.h"
#include "browser/modeljson.h"
#include "crypto/passwordcrypt.h"
#include "document/calverdinedocument.h"
#include "document/pagesnapshot.h"
#include "document/tagscript.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>

namespace {

// The model a snapshot gives, as `inspect` prints it (every frame, form and field with its
// value), with every script's text: two snapshots that give the same model compare equal
// whoever numbered their elements. A password's value, encrypted with a new salt at each
// reading, is compared in clear.
QJsonObject ModelOf(const QByteArray& json, const QString& url, const TScreenIDSettings& settings)
{
    TCalverdineDocument model(url);
    model.Parse(TPageSnapshot::fromJson(json), settings);
    QJsonObject out = DocumentModelJson(model, url);
    QJsonArray texts;
    std::function<void(const TTagFrame&)> walk = [&](const TTagFrame& frame) {
        for (const auto& script : frame.Scripts())
            texts.append(QString(script->Src() + "\n" + script->Text()));
        for (const auto& child : frame.ChildFrames())
            walk(*child);
    };
    walk(*model.RootFrame());
    out["scriptTexts"] = texts;
    QString text = QString::fromUtf8(QJsonDocument(out).toJson(QJsonDocument::Compact));
    static const QRegularExpression password(R"re("type":"password","value":"([0-9a-f]+)")re");
    for (auto it = password.globalMatch(text); it.hasNext();) {
        const QString stored = it.next().captured(1);
        text.replace(stored, PasswordDecryptValue(stored).value_or("?"));
    }
    return QJsonDocument::fromJson(text.toUtf8()).object();
}

class SnapshotE2E : public TEngineSuite {
protected:
    static QByteArray expected(const QString& name)
    {
        QFile file(THttpServer::fixturePagesDirectory() + "/../snapshots/" + name + ".json");
        if (!file.open(QIODevice::ReadOnly))
            return QByteArray();
        const QString origin = s_server->urlText("/").chopped(1);
        const QString remote = s_server->urlText("/", true).chopped(1);
        return file.readAll().replace("{{LOCAL}}", origin.toUtf8()).replace("{{REMOTE}}", remote.toUtf8());
    }

    TTestHome home;
};

// The snapshot script's answer for each fixture page gives the model its expected snapshot
// gives; the login page names its screen by the text of its "screen" element.
TEST_F(SnapshotE2E, TheSnapshotScriptGivesTheModelOfTheExpectedSnapshot)
{
    for (const char* name : { "frameset", "iframes", "login", "scripts" }) {
        SCOPED_TRACE(name);
        const QString page = s_server->urlText(name == QLatin1String("frameset") ? QStringLiteral("/frameset/index.html")
                                                                                 : QString("/%1.html").arg(name));
        const QByteArray want = expected(name);
        ASSERT_FALSE(want.isEmpty()) << "no expected snapshot";
        TScreenIDSettings settings;
        if (name == QLatin1String("login")) {
            settings.rule = 3;
            settings.elementId = "screen";
        }

        s_server->clearRequests();
        TEngineTab tab(*s_profile);
        ASSERT_TRUE(tab.load(page));
        TBrowserControl::SnapshotResult result;
        bool answered = false;
        tab.browser()->channel()->takeSnapshot(settings.elementId.isEmpty() ? QStringList() : QStringList { "screen" },
                                               [&](const TBrowserControl::SnapshotResult& r) {
                                                   result = r;
                                                   answered = true;
                                               });
        ASSERT_TRUE(WaitUntil([&] { return answered; }));
        ASSERT_TRUE(result.error.isEmpty()) << result.error.toStdString();
        const QJsonObject actual = ModelOf(result.json, page, settings);
        const QJsonObject wanted = ModelOf(want, page, settings);
        for (const QString& key : wanted.keys())
            EXPECT_EQ(actual.value(key), wanted.value(key)) << key.toStdString();
        // The external script's text comes from the browser's cache: the tool never
        // downloads it itself.
        EXPECT_LE(s_server->requestCount("/scripts/lib.js"), 1);
    }
}

}
