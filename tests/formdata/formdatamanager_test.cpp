#include "core/error.h"
#include "core/memo.h"
#include "core/tickcount.h"
#include "document/calverdinedocument.h"
#include "document/support/snapshotbuilder.h"
#include "formdata/dataactioncommand.h"
#include "formdata/formdatamanager.h"
#include "formdata/formdataopenmodel.h"
#include "formdata/formdatapopuphistory.h"
#include "formdefine/formdefinemanager.h"

#include "formdatafixture.h"

namespace {

class FormDataManagerTest : public FormDataFixture {
protected:
    FormDataManagerTest()
    {
        manager.setFileCommand(std::make_unique<TFormDataFileCommand>([](const QString&) { return QString(); }));
        SetTickCountSource([this] { return m_tick; });
    }

    TFormDataManager manager;
    quint32 m_tick = 9000;
};

}

// Top form "a" (x, hidden h) and an iframe "inner" holding form "b" (y); two parts whose
// paths meet: input "p/q" of form "a" and input "q" of form "a/p".
TEST_F(FormDataManagerTest, CollectsChildFramesFirstAndSavesNewDataThenOverwritesIt)
{
    TSnapshotBuilder b;
    auto& top = b.document("http://127.0.0.2/page.html");
    auto& inner = b.document("http://127.0.0.2/inner.html");
    const int a = top.form("a");
    top.input(a, "text", "x", "1");
    top.input(a, "hidden", "h", "secret");
    top.input(a, "text", "p/q", "first");
    top.input(top.form("a/p"), "text", "q", "second");
    top.frame("IFRAME", "inner", "inner.html", inner.id());
    inner.input(inner.form("b"), "text", "y", "2");
    TCalverdineDocument model("http://127.0.0.2/page.html");
    model.Parse(b.build(), TScreenIDSettings());
    const TTagFrame& root = *model.RootFrame();

    TFormDataStore& store = manager.store();
    EXPECT_EQ(store.fillFromTag(1, root, false).lines(), QStringList({ "//inner/b/y=2", "//a/x=1", "//a/p/q=second" }));
    EXPECT_EQ(store.fillFromTag(1, root, true).lines(),
              QStringList({ "//inner/b/y=2", "//a/x=1", "//a/h=secret", "//a/p/q=second" }));
    EXPECT_EQ(store.fillFromTag(2, *root.Forms()[0], false).lines(), QStringList({ "//a/x=1", "//a/p/q=first" }))
        << "a selected form: only its own parts";

    const int id = manager.save("PAGE", root, 0);
    EXPECT_EQ(id, 9000);
    EXPECT_EQ(read("FormData/PAGE.ini"), QByteArray("[Info]\r\n9000=New Data\r\n"));
    EXPECT_EQ(manager.save("page", root, id), id);
    EXPECT_EQ(manager.dataList("PAGE").count(), 1);
    m_tick = 9100;
    EXPECT_EQ(manager.save("PAGE", root, 4711), 9100) << "a data ID the screen does not have is a new set";
    EXPECT_EQ(manager.dataList("PAGE").count(), 2);
}

TEST_F(FormDataManagerTest, RenameDeleteAndValuesOfADeletedSet)
{
    write("FormData/S.ini", "[Info]\r\n5=five\r\n7=seven\r\n");
    write("FormData/5.xml", "<FormData><FormDataItem key=\"//a/x\">1</FormDataItem></FormData>");
    EXPECT_EQ(manager.loadValues("S", 5).lines(), QStringList { "//a/x=1" });
    write("FormData/5.xml", "<FormData><FormDataItem key=\"//a/x\">2</FormDataItem></FormData>");
    EXPECT_EQ(manager.loadValues("S", 5).lines(), QStringList { "//a/x=2" }) << "read again at every load";

    manager.changeName("S", 7, "two\r\nlines");
    EXPECT_EQ(manager.dataName("S", 7), QStringLiteral("two  lines"));
    EXPECT_EQ(read("FormData/S.ini"), QByteArray("[Info]\r\n5=five\r\n7=two  lines\r\n"));

    manager.deleteData("S", 5);
    EXPECT_FALSE(manager.exists("S", 5));
    try {
        manager.loadValues("S", 5);
        FAIL();
    } catch (const TError& e) {
        EXPECT_EQ(e.message(), QStringLiteral("データは削除されています"));
    }
    // Another project does not share the loaded screens.
    manager.clear();
    QFile::remove(path("FormData/S.ini"));
    EXPECT_EQ(manager.dataList("S").count(), 0);
}

TEST_F(FormDataManagerTest, OpenDialogNeverOffersTheCurrentScreenAndHistoryKeepsFirstUseOrder)
{
    write("FormData/LOGIN.ini", "[Info]\r\n1=one\r\n");
    write("FormData/MENU.ini", "[Info]\r\n20=twenty\r\n10=ten\r\n");
    write("FormData/20.xml", "<FormData/>");
    TFormDataOpenModel model("login");
    EXPECT_EQ(model.screenIds(), QStringList { "MENU" });
    EXPECT_FALSE(model.acceptMessage().isEmpty());
    model.chooseScreen("MENU");
    EXPECT_EQ(model.dataNames(), QStringList({ "twenty", "ten" }));
    model.chooseData(1);
    EXPECT_EQ(model.chosenDataId(), 10);
    EXPECT_EQ(model.acceptMessage(), QString());
    model.chooseData(-1);
    EXPECT_EQ(model.acceptMessage(), QStringLiteral("画面IDを選択の上、データ名を指定してください"));

    TFormDataPopupHistory history;
    for (int id : { 5, 7, 5 })
        history.add("LOGIN", id);
    EXPECT_EQ(history.list("login"), QList<int>({ 5, 7 }));
    EXPECT_EQ(history.last("LOGIN"), 5);
    EXPECT_EQ(history.last("NONE"), 0);
}

TEST_F(FormDataManagerTest, ComparisonNamesTheThirdValueByItsAliasAndEndsInNg)
{
    TSnapshotBuilder b;
    auto& top = b.document("http://127.0.0.2/member.html");
    const int f = top.form("f");
    top.input(f, "text", "name", "Sato");
    top.input(f, "checkbox", "agree", "on", { { "checked", true } });
    top.input(f, "text", "member", "1243");
    TCalverdineDocument model("http://127.0.0.2/member.html");
    model.Parse(b.build(), TScreenIDSettings());
    TFormDefineManager defines;
    defines.definition("MEMBER", "//f/member").setField(3, QStringLiteral("会員番号"));
    TFormValueList values;
    values.append("//f/name", "Sato");
    values.append("//f/agree", "__UN_CHECKED_VAL__");
    values.append("//f/member", "1234");

    TMemo report;
    TDataActionCommand command;
    EXPECT_FALSE(command.compare("MEMBER", "会員", values, model, report, &defines));
    EXPECT_EQ(command.comparedCount(), 3);
    EXPECT_EQ(command.equalCount(), 1);
    const QStringList lines = report.lines();
    ASSERT_EQ(lines.size(), 5 + 3 + 2);
    EXPECT_EQ(lines[6], QStringLiteral("2 [比較結果 NG]: [//f/agree] -> データ値[未選択] -> フォーム値[on]"));
    EXPECT_EQ(lines[7], QStringLiteral("3 [比較結果 NG]: 会員番号[//f/member] -> データ値[1234] -> フォーム値[1243]"));
    EXPECT_EQ(lines[9], QStringLiteral(" -> NG"));
}
