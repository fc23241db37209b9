#include "core/error.h"
#include "document/calverdinedocument.h"
#include "document/pagesnapshot.h"
#include "document/support/documenttesting.h"
#include "document/support/recordingpagechannel.h"
#include "document/support/snapshotbuilder.h"

#include <gtest/gtest.h>

namespace {

struct BadSnapshot {
    const char* what;
    const char* json;
};

class SnapshotRejects : public ::testing::TestWithParam<BadSnapshot> {};

TEST_P(SnapshotRejects, WithAMessageAndNoModel)
{
    try {
        TPageSnapshot::fromJson(QByteArray(GetParam().json));
        FAIL() << "accepted: " << GetParam().what;
    } catch (const TError& error) {
        EXPECT_TRUE(error.message().startsWith("page snapshot error: ")) << error.what();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Malformed, SnapshotRejects,
    ::testing::Values(
        BadSnapshot { "empty", "" },
        BadSnapshot { "truncated", R"({"format":1,"documents":[{"id":0,"url":"http://h/","elements":[{"h":1,"tag":"INP)" },
        BadSnapshot { "array", "[1,2]" },
        BadSnapshot { "other format", R"({"format":2,"documents":[{"id":0}]})" },
        BadSnapshot { "no documents", R"({"format":1,"documents":[]})" },
        BadSnapshot { "id not its position", R"({"format":1,"documents":[{"id":3}]})" },
        BadSnapshot { "handle twice", R"({"format":1,"documents":[{"id":0,"elements":[{"h":1,"tag":"A"},{"h":1,"tag":"B"}]}]})" },
        BadSnapshot { "handle not a number", R"({"format":1,"documents":[{"id":0,"elements":[{"h":"1","tag":"A"}]}]})" },
        BadSnapshot { "fractional handle", R"({"format":1,"documents":[{"id":0,"elements":[{"h":1.5,"tag":"A"}]}]})" },
        BadSnapshot { "element without tag", R"({"format":1,"documents":[{"id":0,"elements":[{"h":1}]}]})" },
        BadSnapshot { "form handle unknown", R"({"format":1,"documents":[{"id":0,"forms":[7]}]})" },
        BadSnapshot { "form is no FORM", R"({"format":1,"documents":[{"id":0,"elements":[{"h":1,"tag":"A"}],"forms":[1]}]})" },
        BadSnapshot { "frame points back", R"({"format":1,"documents":[{"id":0,"frames":[{"doc":0}]}]})" },
        BadSnapshot { "frame beyond the list", R"({"format":1,"documents":[{"id":0,"frames":[{"doc":1}]}]})" },
        BadSnapshot { "document of two frames",
                      R"({"format":1,"documents":[{"id":0,"frames":[{"doc":1},{"doc":1}]},{"id":1}]})" },
        BadSnapshot { "frameset child before it",
                      R"({"format":1,"documents":[{"id":0,"elements":[{"h":2,"tag":"FRAMESET","children":[1]},{"h":1,"tag":"FRAME"}]}]})" },
        BadSnapshot { "frame listed twice",
                      R"({"format":1,"documents":[{"id":0,"elements":[{"h":1,"tag":"FRAMESET","children":[2,2]},{"h":2,"tag":"FRAME"}]}]})" },
        BadSnapshot { "child of two framesets",
                      R"({"format":1,"documents":[{"id":0,"elements":[{"h":1,"tag":"FRAMESET","children":[2,3]},{"h":2,"tag":"FRAMESET","children":[3]},{"h":3,"tag":"FRAME"}]}]})" },
        BadSnapshot { "frameset its own child",
                      R"({"format":1,"documents":[{"id":0,"elements":[{"h":2,"tag":"FRAMESET","children":[2]}]}]})" },
        BadSnapshot { "elements not an array", R"({"format":1,"documents":[{"id":0,"elements":{}}]})" },
        BadSnapshot { "id of no element", R"({"format":1,"documents":[{"id":0,"ids":{"x":9}}]})" }));

TEST(Snapshot, MissingFieldsReadAsEmpty)
{
    auto snapshot = TPageSnapshot::fromJson(R"({"format":1,"documents":[{"id":0,"elements":[{"h":5,"tag":"input"}]}]})");
    THtmlElement* e = snapshot->element(5);
    ASSERT_TRUE(e);
    EXPECT_EQ(e->tagName(), "INPUT");
    EXPECT_EQ(e->value(), "");
    EXPECT_FALSE(e->checked());
    EXPECT_EQ(e->form(), nullptr);
    EXPECT_EQ(snapshot->topDocument()->body(), nullptr);
    EXPECT_EQ(snapshot->topDocument()->elementsByTagName("Input").size(), 1);
}

TEST(Snapshot, UnreachableFrameFailsWithItsMessage)
{
    auto snapshot = TPageSnapshot::fromJson(
        R"({"format":1,"documents":[{"id":0,"frames":[{"doc":null,"error":"cross origin"}]}]})");
    try {
        snapshot->topDocument()->frameDocument(0);
        FAIL();
    } catch (const TError& error) {
        EXPECT_EQ(error.message(), "cross origin");
    }
    EXPECT_THROW(snapshot->topDocument()->frameDocument(1), TError);
}

class SnapshotWrites : public ::testing::Test {
protected:
    void SetUp() override
    {
        auto& top = builder.document("http://localhost/form.html");
        const int f = top.form("f");
        text = top.input(f, "text", "q", "old");
        box = top.input(f, "checkbox", "c", "on");
        radioA = top.input(f, "radio", "r", "a", { { "checked", true } });
        radioB = top.input(f, "radio", "r", "b");
        list = top.select(f, "s", { { "1", "one", true }, { "2", "two", false }, { "3", "three", false } });
        snapshot = builder.build(&channel);
    }

    TDocumentTestHome home;
    TSnapshotBuilder builder;
    TRecordingPageChannel channel;
    std::shared_ptr<TPageSnapshot> snapshot;
    int text = 0, box = 0, radioA = 0, radioB = 0, list = 0;
};

TEST_F(SnapshotWrites, AreMirroredAndQueuedUntilOneFlush)
{
    snapshot->element(text)->setValue("new");
    snapshot->element(box)->setChecked(true);
    snapshot->element(list)->setSelectedOptions({ 2 });
    EXPECT_EQ(snapshot->element(text)->value(), "new");
    EXPECT_TRUE(snapshot->element(box)->checked());
    EXPECT_TRUE(snapshot->element(list)->options()[2].selected);
    EXPECT_FALSE(snapshot->element(list)->options()[0].selected);
    ASSERT_EQ(channel.queued.size(), 3u);
    EXPECT_EQ(channel.flushes, 0);

    snapshot->flush();
    EXPECT_EQ(channel.flushes, 1);
    ASSERT_EQ(channel.sent.size(), 3u);
    EXPECT_EQ(channel.sent[0].kind, TPageOperation::SetValue);
    EXPECT_EQ(channel.sent[0].handle, text);
    EXPECT_EQ(channel.sent[0].text, "new");
    EXPECT_EQ(channel.sent[1].kind, TPageOperation::SetChecked);
    EXPECT_TRUE(channel.sent[1].flag);
    EXPECT_EQ(channel.sent[2].kind, TPageOperation::SetSelected);
    EXPECT_EQ(channel.sent[2].indexes, QList<int>({ 2 }));
}

TEST_F(SnapshotWrites, CheckingARadioButtonClearsItsGroup)
{
    snapshot->element(radioB)->setChecked(true);
    EXPECT_FALSE(snapshot->element(radioA)->checked());
    EXPECT_TRUE(snapshot->element(radioB)->checked());
}

TEST_F(SnapshotWrites, ASingleSelectionKeepsOnlyTheLastOption)
{
    snapshot->element(list)->setSelectedOptions({ 0, 1 });
    EXPECT_FALSE(snapshot->element(list)->options()[0].selected);
    EXPECT_TRUE(snapshot->element(list)->options()[1].selected);
}

TEST_F(SnapshotWrites, RefreshAppliesValuesAndIgnoresUnknownHandles)
{
    const QByteArray json = QStringLiteral(R"({"format":1,"values":[{"h":%1,"value":"typed","checked":false},)"
                                           R"({"h":%2,"selected":[1,2]},{"h":%3,"checked":true},{"h":999,"value":"x"}]})")
                                .arg(text)
                                .arg(list)
                                .arg(box)
                                .toUtf8();
    snapshot->applyRefresh(json);
    EXPECT_EQ(snapshot->element(text)->value(), "typed");
    EXPECT_TRUE(snapshot->element(box)->checked());
    const QList<THtmlOption> options = snapshot->element(list)->options();
    EXPECT_FALSE(options[0].selected);
    EXPECT_TRUE(options[1].selected);
    EXPECT_TRUE(options[2].selected);
    EXPECT_TRUE(channel.queued.empty()) << "a refresh writes nothing to the page";
}

TEST_F(SnapshotWrites, AMalformedRefreshChangesNothing)
{
    const QByteArray json = QStringLiteral(R"({"format":1,"values":[{"h":%1,"value":"typed"},{"value":"no handle"}]})")
                                .arg(text)
                                .toUtf8();
    EXPECT_THROW(snapshot->applyRefresh(json), TError);
    EXPECT_THROW(snapshot->applyRefresh(R"({"format":1,"values":[)"), TError);
    EXPECT_EQ(snapshot->element(text)->value(), "old");
}

TEST_F(SnapshotWrites, TheModelWritesManyValuesInOneRoundTrip)
{
    auto model = std::make_unique<TCalverdineDocument>("http://localhost/form.html");
    model->Parse(snapshot, TScreenIDSettings());
    model->SetValue("//f/q", "1");
    model->SetValue("//f/c", "on");
    model->SetValue("//f/s", "2");
    model->flushWrites();
    EXPECT_EQ(channel.flushes, 1);
    EXPECT_EQ(channel.sent.size(), 3u);
    EXPECT_EQ(model->GetValue("//F/Q"), "1");

    model->applyRefresh(QStringLiteral(R"({"format":1,"values":[{"h":%1,"value":"typed"}]})").arg(text).toUtf8());
    EXPECT_EQ(model->GetValue("//f/q"), "typed");
    EXPECT_EQ(channel.sent.size(), 3u);
}

} // namespace
