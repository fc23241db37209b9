#include "enginetab.h"

#include "browser/engine/enginebrowser.h"
#include "browser/engine/enginepagechannel.h"
#include "document/calverdinedocument.h"
#include "document/tagscript.h"

#include <QFile>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

// Handles renumbered in the order body and elements are listed, fields at their defaults
// dropped, frame errors reduced to their presence, and META elements without http-equiv
// (which the model never reads) left out: two snapshots of one page compare equal whoever
// numbered them.
class TSnapshotNormaliser {
public:
    QJsonObject normalise(const QJsonObject& snapshot)
    {
        QJsonArray documents;
        for (const QJsonValue& d : snapshot.value("documents").toArray()) {
            QJsonObject document = d.toObject();
            QJsonArray elements;
            for (const QJsonValue& e : document.value("elements").toArray())
                elements.append(e.isArray() ? fieldObject(e.toArray()) : e.toObject());
            document["elements"] = elements;
            documents.append(document);
        }
        for (const QJsonValue& d : documents) {
            const QJsonObject document = d.toObject();
            if (document.value("body").isObject())
                handle(document.value("body").toObject().value("h"));
            for (const QJsonValue& e : document.value("elements").toArray()) {
                if (!ignored(e.toObject()))
                    handle(e.toObject().value("h"));
            }
        }
        QJsonArray out;
        for (const QJsonValue& d : documents)
            out.append(document(d.toObject()));
        return QJsonObject { { "format", snapshot.value("format") }, { "documents", out } };
    }

private:
    // A field the page wrote as a row, in the object form of the expected snapshots.
    static QJsonObject fieldObject(const QJsonArray& row)
    {
        const QString kind = row.at(0).toString();
        const bool input = kind == "INPUT";
        const int flags = row.at(input ? 6 : kind == "TEXTAREA" ? 5 : 4).toInt();
        QJsonObject o { { "h", row.at(1) }, { "tag", kind }, { "id", row.at(2) }, { "disabled", bool(flags & 4) } };
        if (kind == "SELECT") {
            o["name"] = row.at(3);
            o["multiple"] = bool(flags & 8);
            QJsonArray options;
            const QJsonArray list = row.at(5).toArray();
            for (qsizetype i = 0; i + 2 < list.size(); i += 3)
                options.append(QJsonObject { { "value", list.at(i) }, { "text", list.at(i + 1) }, { "selected", list.at(i + 2).toInt() == 1 } });
            o["options"] = options;
            return o;
        }
        const int first = input ? 4 : 3;
        if (input) {
            o["type"] = row.at(3);
            o["checked"] = bool(flags & 1);
            o["form"] = row.at(7);
        }
        o["name"] = row.at(first);
        o["value"] = row.at(first + 1);
        o["readOnly"] = bool(flags & 2);
        return o;
    }

    int handle(const QJsonValue& old)
    {
        const int h = old.toInt(-1);
        if (h < 0)
            return h;
        if (!m_handles.contains(h))
            m_handles.insert(h, int(m_handles.size()) + 1);
        return m_handles.value(h);
    }

    QJsonArray handles(const QJsonValue& list)
    {
        QJsonArray out;
        for (const QJsonValue& h : list.toArray())
            out.append(handle(h));
        return out;
    }

    static bool ignored(const QJsonObject& e)
    {
        return e.value("tag").toString() == "META" && e.value("httpEquiv").toString().isEmpty();
    }

    static bool isDefault(const QJsonValue& v)
    {
        return v.isNull() || (v.isString() && v.toString().isEmpty()) || (v.isBool() && !v.toBool())
               || (v.isDouble() && v.toDouble() == 0);
    }

    QJsonObject element(QJsonObject e)
    {
        e["h"] = handle(e.value("h"));
        if (e.contains("items"))
            e["items"] = handles(e.value("items"));
        if (e.contains("children"))
            e["children"] = handles(e.value("children"));
        if (e.contains("form"))
            e["form"] = handle(e.value("form"));
        if (e.contains("options")) {
            QJsonArray options;
            for (const QJsonValue& o : e.value("options").toArray())
                options.append(withoutDefaults(o.toObject()));
            e["options"] = options;
        }
        return withoutDefaults(e);
    }

    static QJsonObject withoutDefaults(QJsonObject o)
    {
        for (const QString& key : o.keys()) {
            if (isDefault(o.value(key)))
                o.remove(key);
        }
        return o;
    }

    QJsonObject document(QJsonObject d)
    {
        if (d.value("body").isObject()) {
            QJsonObject body = d.value("body").toObject();
            body["h"] = handle(body.value("h"));
            d["body"] = body;
        }
        QJsonArray elements;
        for (const QJsonValue& e : d.value("elements").toArray()) {
            if (!ignored(e.toObject()))
                elements.append(element(e.toObject()));
        }
        d["elements"] = elements;
        d["forms"] = handles(d.value("forms"));
        d["scripts"] = handles(d.value("scripts"));
        QJsonObject ids = d.value("ids").toObject();
        for (const QString& key : ids.keys())
            ids[key] = handle(ids.value(key));
        d["ids"] = ids;
        QJsonArray frames;
        for (const QJsonValue& f : d.value("frames").toArray()) {
            QJsonObject frame = f.toObject();
            if (frame.contains("error"))
                frame["error"] = true;
            frames.append(frame);
        }
        d["frames"] = frames;
        return d;
    }

    QHash<int, int> m_handles;
};

class SnapshotE2E : public TEngineSuite, public ::testing::WithParamInterface<const char*> {
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

TEST_P(SnapshotE2E, TheSnapshotScriptGivesTheExpectedSnapshot)
{
    const QString name = QString::fromLatin1(GetParam());
    const QString page = name == "frameset" ? QStringLiteral("/frameset/index.html") : QString("/" + name + ".html");
    const QByteArray want = expected(name);
    ASSERT_FALSE(want.isEmpty()) << "no expected snapshot for " << GetParam();

    TEngineTab tab(*s_profile);
    ASSERT_TRUE(tab.load(s_server->urlText(page)));
    TBrowserControl::SnapshotResult result;
    bool answered = false;
    const QStringList ids = name == "login" ? QStringList { "screen" } : QStringList();
    tab.browser()->channel()->takeSnapshot(ids, [&](const TBrowserControl::SnapshotResult& r) {
        result = r;
        answered = true;
    });
    ASSERT_TRUE(WaitUntil([&] { return answered; }));
    ASSERT_TRUE(result.error.isEmpty()) << result.error.toStdString();

    const QJsonObject actual = TSnapshotNormaliser().normalise(QJsonDocument::fromJson(result.json).object());
    const QJsonObject wanted = TSnapshotNormaliser().normalise(QJsonDocument::fromJson(want).object());
    const QJsonArray a = actual.value("documents").toArray();
    const QJsonArray w = wanted.value("documents").toArray();
    ASSERT_EQ(a.size(), w.size());
    for (int i = 0; i < a.size(); ++i)
        EXPECT_EQ(a[i], w[i]) << "document " << i;
}

INSTANTIATE_TEST_SUITE_P(FixturePages, SnapshotE2E, ::testing::Values("frameset", "iframes", "login", "scripts"));

// The external script's text comes from the browser's cache into the script list.
TEST_F(SnapshotE2E, ExternalScriptsAreReadFromTheBrowserCache)
{
    s_server->clearRequests();
    TEngineTab tab(*s_profile);
    TCalverdineDocument* model = tab.open(s_server->urlText("/scripts.html"));
    ASSERT_NE(model, nullptr);
    bool found = false;
    for (const auto& script : model->RootFrame()->Scripts()) {
        if (script->Src().endsWith("lib.js")) {
            found = true;
            EXPECT_TRUE(script->Text().contains("libVersion"));
            EXPECT_FALSE(script->Functions().empty());
        }
    }
    EXPECT_TRUE(found);
    // At most the page's own request: the tool never downloads the script itself.
    EXPECT_LE(s_server->requestCount("/scripts/lib.js"), 1);
}

}
