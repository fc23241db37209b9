#include "document/calverdinedocument.h"
#include "document/documentparser.h"
#include "document/pagesnapshot.h"
#include "document/support/documenttesting.h"
#include "document/support/snapshotbuilder.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

namespace {

// A chain of inline frames, each document holding the next one and a form.
QByteArray nestedFrames(int depth)
{
    QJsonArray documents;
    int handle = 1;
    for (int i = 0; i <= depth; ++i) {
        QJsonArray elements;
        QJsonArray frames;
        const int form = handle++;
        const int input = handle++;
        elements.append(QJsonObject { { "h", form }, { "tag", "FORM" }, { "name", "f" }, { "items", QJsonArray { input } } });
        elements.append(QJsonObject { { "h", input }, { "tag", "INPUT" }, { "type", "text" }, { "name", "q" },
                                      { "form", form } });
        if (i < depth) {
            elements.append(QJsonObject { { "h", handle++ }, { "tag", "IFRAME" }, { "name", "n" } });
            frames.append(QJsonObject { { "doc", i + 1 } });
        }
        documents.append(QJsonObject { { "id", i },
                                       { "url", "http://localhost/" },
                                       { "elements", elements },
                                       { "frames", frames },
                                       { "forms", QJsonArray { form } } });
    }
    return QJsonDocument(QJsonObject { { "format", 1 }, { "documents", documents } }).toJson(QJsonDocument::Compact);
}

TEST(HostilePages, NamesWithPathCharactersStandUnescaped)
{
    TDocumentTestHome home;
    TSnapshotBuilder b;
    auto& top = b.document("http://localhost/a.html");
    const QString odd = QStringLiteral("a/b[0]=c\nd") + QChar(0) + QStringLiteral("e");
    const int f = top.form(odd);
    top.input(f, "text", odd, "v=1");
    top.input(f, "submit", odd);
    TCalverdineDocument model("http://localhost/a.html");
    model.Parse(b.build(), TScreenIDSettings());
    const QString path = "//" + odd + "/" + odd;
    ASSERT_EQ(model.FormParts().count(), 1);
    EXPECT_EQ(model.FormParts().keyAt(0), path);
    EXPECT_EQ(model.GetValue(path), "v=1");
    EXPECT_EQ(model.Buttons().keyAt(0), odd + "." + odd);

    QList<std::pair<QString, QString>> values;
    model.CollectValues(values, true);
    ASSERT_EQ(values.size(), 1);
    EXPECT_EQ(values[0].first, path) << "the pair form keeps a path holding \"=\" whole";
    EXPECT_EQ(values[0].second, "v=1");
}

TEST(HostilePages, HundredThousandFields)
{
    TDocumentTestHome home;
    const int count = 100000;
    QByteArray json = R"({"format":1,"documents":[{"id":0,"url":"http://localhost/","forms":[1],"elements":[)";
    json += R"({"h":1,"tag":"FORM","name":"f","items":[)";
    for (int i = 0; i < count; ++i)
        json += (i ? "," : "") + QByteArray::number(i + 2);
    json += "]}";
    for (int i = 0; i < count; ++i)
        json += R"(,{"h":)" + QByteArray::number(i + 2) + R"(,"tag":"INPUT","type":"text","name":"n)"
            + QByteArray::number(i % 1000) + R"(","value":"x","form":1})";
    json += "]}]}";
    TCalverdineDocument model("http://localhost/");
    model.Parse(TPageSnapshot::fromJson(json), TScreenIDSettings());
    EXPECT_EQ(model.FormParts().count(), count);
    EXPECT_EQ(model.FormParts().keyAt(count - 1), "//f/n999[99]");
}

TEST(HostilePages, FramesNestedAHundredDeepAreParsed)
{
    TDocumentTestHome home;
    TCalverdineDocument model("http://localhost/");
    model.Parse(TPageSnapshot::fromJson(nestedFrames(100)), TScreenIDSettings());
    EXPECT_EQ(model.FormParts().count(), 101);
    EXPECT_EQ(model.FormParts().keyAt(0).count("/n"), 100);
}

TEST(HostilePages, DeeperNestingIsCutWithAWarning)
{
    TDocumentTestHome home;
    const int depth = TDocumentParser::kMaxNesting + 50;
    TCalverdineDocument model("http://localhost/");
    model.Parse(TPageSnapshot::fromJson(nestedFrames(depth)), TScreenIDSettings());
    EXPECT_EQ(model.FormParts().count(), TDocumentParser::kMaxNesting + 1);
    bool warned = false;
    for (const QString& line : home.logLines())
        warned = warned || line.startsWith("[WARN] FRAME nesting too deep");
    EXPECT_TRUE(warned);
}

TEST(HostilePages, DeepFramesetNestingInOneDocumentIsCut)
{
    TDocumentTestHome home;
    TSnapshotBuilder b;
    auto& top = b.document("http://localhost/");
    int parent = top.frameset("", "*");
    for (int i = 0; i < TDocumentParser::kMaxNesting + 20; ++i)
        parent = top.frameset("", "*", parent);
    top.frame("FRAME", "bottom", "b.html", 1, parent);
    b.document("http://localhost/b.html").body(10, 10);
    TCalverdineDocument model("http://localhost/");
    model.Parse(b.build(), TScreenIDSettings());
    EXPECT_EQ(model.Width(), 0);
}

} // namespace
