#include "core/error.h"
#include "document/pagesnapshot.h"
#include "document/support/documenttesting.h"
#include "document/support/recordingpagechannel.h"

#include <gtest/gtest.h>

namespace {

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

class SnapshotWrites : public TPageTest {
protected:
    void SetUp() override
    {
        const int f = top.form("f");
        text = top.input(f, "text", "q", "old");
        box = top.input(f, "checkbox", "c", "on");
        radioA = top.input(f, "radio", "r", "a", { { "checked", true } });
        radioB = top.input(f, "radio", "r", "b");
        list = top.select(f, "s", { { "1", "one", true }, { "2", "two", false }, { "3", "three", false } });
        snapshot = builder.build(&channel);
    }

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

TEST_F(SnapshotWrites, ARadioButtonClearsItsGroupAndASingleListKeepsTheLastOption)
{
    snapshot->element(radioB)->setChecked(true);
    EXPECT_FALSE(snapshot->element(radioA)->checked());
    EXPECT_TRUE(snapshot->element(radioB)->checked());
    snapshot->element(list)->setSelectedOptions({ 0, 1 });
    EXPECT_FALSE(snapshot->element(list)->options()[0].selected);
    EXPECT_TRUE(snapshot->element(list)->options()[1].selected);
}

TEST_F(SnapshotWrites, RefreshAppliesValuesAndAMalformedOneChangesNothing)
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

    const QByteArray bad
        = QStringLiteral(R"({"format":1,"values":[{"h":%1,"value":"again"},{"value":"no handle"}]})").arg(text).toUtf8();
    EXPECT_THROW(snapshot->applyRefresh(bad), TError);
    EXPECT_THROW(snapshot->applyRefresh(R"({"format":1,"values":[)"), TError);
    EXPECT_THROW(snapshot->applyRefresh(R"({"format":1,"values":[["x","again"]]})"), TError);
    EXPECT_EQ(snapshot->element(text)->value(), "typed");

    // The page's rows [h, value, checked, selected], null where an entry has none.
    const QString boxValue = snapshot->element(box)->value();
    snapshot->applyRefresh(QStringLiteral(R"({"format":1,"values":[[%1,"row",0],[%2,null,null,[0]],[%3,null,0]]})")
                               .arg(text)
                               .arg(list)
                               .arg(box)
                               .toUtf8());
    EXPECT_EQ(snapshot->element(text)->value(), "row");
    EXPECT_FALSE(snapshot->element(box)->checked());
    EXPECT_TRUE(snapshot->element(list)->options()[0].selected);
    EXPECT_FALSE(snapshot->element(list)->options()[1].selected);
    EXPECT_EQ(snapshot->element(box)->value(), boxValue) << "null leaves the value alone";
}

} // namespace
