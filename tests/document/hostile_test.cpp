#include "document/documentparser.h"
#include "document/support/documenttesting.h"
#include "document/support/snapshotbuilder.h"

#include <algorithm>

#include <gtest/gtest.h>

namespace {

using HostilePages = TPageTest;

// A chain of inline frames, each document holding the next one and a form.
std::shared_ptr<TPageSnapshot> nestedFrames(int depth)
{
    TSnapshotBuilder b;
    for (int i = 0; i <= depth; ++i) {
        auto& doc = b.document("http://localhost/");
        doc.input(doc.form("f"), "text", "q");
        if (i < depth)
            doc.frame("IFRAME", "n", "", i + 1);
    }
    return b.build();
}

TEST_F(HostilePages, NamesWithPathCharactersStandUnescaped)
{
    const QString odd = QStringLiteral("a/b[0]=c\nd") + QChar(0) + QStringLiteral("e");
    const int f = top.form(odd);
    top.input(f, "text", odd, "v=1");
    top.input(f, "submit", odd);
    auto model = parse();
    const QString path = "//" + odd + "/" + odd;
    ASSERT_EQ(model->FormParts().count(), 1);
    EXPECT_EQ(model->FormParts().keyAt(0), path);
    EXPECT_EQ(model->GetValue(path), "v=1");
    EXPECT_EQ(model->Buttons().keyAt(0), odd + "." + odd);

    QList<std::pair<QString, QString>> values;
    model->CollectValues(values, true);
    ASSERT_EQ(values.size(), 1);
    EXPECT_EQ(values[0].first, path) << "the pair form keeps a path holding \"=\" whole";
    EXPECT_EQ(values[0].second, "v=1");
}

TEST_F(HostilePages, HundredThousandFields)
{
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
    auto model = parseModel(TPageSnapshot::fromJson(json));
    EXPECT_EQ(model->FormParts().count(), count);
    EXPECT_EQ(model->FormParts().keyAt(count - 1), "//f/n999[99]");
}

TEST_F(HostilePages, FramesNestedAHundredDeepAreParsedAndDeeperOnesCutWithAWarning)
{
    const auto warned = [&] {
        const QStringList log = home.logLines();
        return std::any_of(log.begin(), log.end(), [](const QString& line) {
            return line.startsWith("[WARN] FRAME nesting too deep");
        });
    };
    // Every field of frames nested 100 deep is checked on the real engine; here, without a warning.
    parseModel(nestedFrames(100));
    EXPECT_FALSE(warned());

    auto model = parseModel(nestedFrames(TDocumentParser::kMaxNesting + 50));
    EXPECT_EQ(model->FormParts().count(), TDocumentParser::kMaxNesting + 1);
    EXPECT_TRUE(warned());
}

TEST_F(HostilePages, DeepFramesetNestingInOneDocumentIsCut)
{
    int parent = top.frameset("", "*");
    for (int i = 0; i < TDocumentParser::kMaxNesting + 20; ++i)
        parent = top.frameset("", "*", parent);
    top.frame("FRAME", "bottom", "b.html", 1, parent);
    builder.document("http://localhost/b.html").body(10, 10);
    EXPECT_EQ(parse()->Width(), 0);
}

} // namespace
