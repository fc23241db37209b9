#include "core/popupinfo.h"
#include "core/appcontext.h"
#include "core/eventbus.h"
#include "operation/commandautooperation.h"
#include "operation/operationcommands.h"
#include "operation/operationlist.h"
#include "operation/testoperationaction.h"

#include <QSignalSpy>
#include <QTest>

#include "operationfixture.h"
#include "operationtesting.h"
#include "support/faketabs.h"

namespace {

const QString kDots = QStringLiteral(" \u2026 ");

// One tab that the test drives as the page would: navigations replace its document,
// a click can open a box or navigate.
class RunnerTest : public OperationFixture {
public:
    RunnerTest()
    {
        forms = std::make_shared<TFakeOperationFormData>();
        App().setService<TOperationFormData>(forms);
        TFakeTab& t = tabs.add(kTab);
        t.html = true;
        t.navigationState = 2;
        show("start");
    }

    static constexpr int kTab = 5;
    TFakeTab& tab() { return static_cast<TFakeTab&>(*tabs.CurrentTab()); }

    // The tab shows the screen "localhost_<screen>" (without bus events).
    void show(const QString& screen) { tab().document = BuildScreen(screen, &channel); }
    // A navigation to the screen as the tab reports it.
    void navigate(const QString& screen)
    {
        App().bus().NotifyBrowserBeforeNavigate(kTab);
        show(screen);
        App().bus().NotifyDocumentParseCompleted(kTab);
    }
    // The page shows a box of the type: the runner may answer it, then the tab reports it.
    void box(int type)
    {
        TPopupMessageInfo info;
        info.MessageType = type;
        tab().popup = info;
        App().bus().NotifyPopupOpen(kTab);
        TPopupMessageInfo& p = *tab().popup;
        p.Result = p.AnswerResult == 0 ? 0 : 1;
        App().bus().NotifyPopupOpened(kTab);
    }

    TCommandAutoOperation& operation(int id, const QString& name, const QString& screen, int other = 0)
    {
        auto op = std::make_unique<TCommandAutoOperation>(id);
        op->Name = name;
        op->TargetScreenID = "localhost_" + screen;
        op->OtherAutoOperationID = other;
        return *operations.add(QString::number(id), std::move(op));
    }
    static void input(TCommandAutoOperation& op, const QString& dataId, const QString& name)
    {
        auto c = std::make_unique<TCommandInputData>();
        c->ScreenID = op.TargetScreenID;
        c->DataID = dataId;
        c->DataName = name;
        op.append(std::move(c));
    }
    static void compare(TCommandAutoOperation& op, const QString& dataId, const QString& name)
    {
        auto c = std::make_unique<TCommandFormCompare>();
        c->DataID = dataId;
        c->DataName = name;
        op.append(std::move(c));
    }
    static void click(TCommandAutoOperation& op)
    {
        auto c = std::make_unique<TCommandClickButton>();
        c->ButtonKey = "form1.go";
        op.append(std::move(c));
    }
    static void confirm(TCommandAutoOperation& op, int button)
    {
        auto c = std::make_unique<TCommandClickPopup>();
        c->BoxType = TPopupMessageInfo::kConfirm;
        c->Button = button;
        op.append(std::move(c));
    }

    // Starts a run of the operation on the bus; the interval is long so that only the
    // test's own calls take steps.
    TTestOperationAction& run(TCommandAutoOperation& op, int interval = 60000)
    {
        auto runner = std::make_unique<TTestOperationAction>(&op, operations, interval);
        TTestOperationAction* raw = runner.get();
        ended = std::make_unique<QSignalSpy>(raw, &TTestOperationAction::runEnded);
        App().bus().AddListener(std::move(runner));
        App().operationLog().clear();
        raw->Start();
        return *raw;
    }

    TFakeTabs tabs;
    TReactingPageChannel channel;
    std::shared_ptr<TFakeOperationFormData> forms;
    TOperationList operations;
    std::unique_ptr<QSignalSpy> ended;
};

}

TEST_F(RunnerTest, ErrorCodesEndTheRunAndLaterOperationsDoNotStart)
{
    struct Case {
        const char* name;
        std::function<void(RunnerTest&, TCommandAutoOperation&)> build;
        int code;
        QString line;
    };
    // The codes the served operation pages cannot give.
    const Case cases[] = {
        { "wrong finished screen",
          [](RunnerTest&, TCommandAutoOperation& op) { op.FinishedScreenID = "localhost_menu"; },
          2, "操作後の画面ＩＤ NG: localhost_start" },
        { "alert where a confirm was expected",
          [](RunnerTest& t, TCommandAutoOperation& op) {
              click(op);
              confirm(op, 1);
              t.channel.onPost = [&t](const TPageOperation&) { t.box(TPopupMessageInfo::kAlert); };
          },
          5, "操作定義 NG: Confirm" + kDots + "OK ボタン" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        operations.clear();
        channel.onPost = nullptr;
        show("start");
        TCommandAutoOperation& first = operation(1, "first", "start");
        c.build(*this, first);
        TCommandAutoOperation& second = operation(2, "second", "start", 1);
        TTestOperationAction& runner = run(second);
        for (int i = 0; i < 4 && !runner.IsOver(); ++i)
            runner.Step();
        EXPECT_TRUE(runner.IsOver());
        EXPECT_EQ(runner.ResultCode, c.code);
        ASSERT_GE(log().size(), 2);
        EXPECT_EQ(log().at(log().size() - 2), c.line);
        EXPECT_EQ(log().last(), QStringLiteral("ErrorCode: %1 (%2)").arg(c.code).arg(TTestOperationAction::CodeMessage(c.code)));
        EXPECT_FALSE(log().contains("自動操作名: second 開始"));
        EXPECT_EQ(ended->count(), 1);
    }
}

TEST_F(RunnerTest, ChainsThatCannotBeBuiltEndWithoutStarting)
{
    struct Case {
        const char* name;
        int startId;
        QString line;
    };
    operation(1, "self", "start", 1);
    operation(2, "A", "start", 3);
    operation(3, "B", "start", 2);
    const Case cases[] = {
        { "self loop", 1, "self が循環しています" },
        { "A to B to A names B", 2, "B が循環しています" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TTestOperationAction& runner = run(*operations.find(c.startId));
        EXPECT_FALSE(runner.ChainValid);
        EXPECT_EQ(log(), QStringList({ c.line }));
        // The run is over, so the actions follow the selected node again.
        EXPECT_TRUE(runner.IsOver());
        EXPECT_EQ(ended->count(), 1);
        runner.Step();
        EXPECT_EQ(log().size(), 1);
    }
}

TEST_F(RunnerTest, ComparisonAnsweredLaterContinuesTheStep)
{
    TCommandAutoOperation& op = operation(1, "cmp", "start");
    compare(op, "3", "c");
    input(op, "4", "d");
    forms->holdCompare = true;
    TTestOperationAction& runner = run(op);
    runner.Step();
    EXPECT_TRUE(runner.busy());
    runner.Step(); // a tick while the comparison waits does nothing
    EXPECT_EQ(forms->calls, QStringList({ "compare 3" }));
    forms->held(true);
    EXPECT_FALSE(runner.busy());
    runner.Step();
    EXPECT_TRUE(runner.IsOver());
    EXPECT_EQ(forms->calls, QStringList({ "compare 3", "input localhost_start 4" }));
}

// A click goes to the page without an answer: the command ends when the page answered a
// round trip sent after it, or when a navigation began, or at the bound when neither came.
TEST_F(RunnerTest, ClickEndsOnThePagesAnswerOrOnANavigation)
{
    struct Case {
        const char* name;
        std::function<void()> then; // what happens while the click waits
        bool navigates;
    };
    const Case cases[] = {
        { "the page answers twice",
          [this] {
              std::exchange(channel.heldRefreshes, {}).front()({}, {});
              EXPECT_EQ(log().count("操作定義: ボタンクリック" + kDots + "Go (form1.go) 終了"), 0) << "one answer is not enough";
              ASSERT_EQ(channel.heldRefreshes.size(), 1u);
              std::exchange(channel.heldRefreshes, {}).front()({}, {});
          },
          false },
        { "a navigation begins, the late answer is ignored",
          [this] {
              App().bus().NotifyBrowserBeforeNavigate(kTab);
              std::exchange(channel.heldRefreshes, {}).front()({}, {});
          },
          true },
        { "the page keeps silent until the bound",
          [this] {
              ASSERT_TRUE(QTest::qWaitFor([&] { return log().contains("操作定義: ボタンクリック" + kDots + "Go (form1.go) 終了"); }));
          },
          false },
    };
    const QString clickEnd = "操作定義: ボタンクリック" + kDots + "Go (form1.go) 終了";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        operations.clear();
        show("start");
        channel.holdRefreshes = true;
        channel.heldRefreshes.clear();
        TCommandAutoOperation& op = operation(1, "click", "start");
        op.FinishedScreenID = "localhost_next";
        click(op);
        TTestOperationAction& runner = run(op);
        runner.setClickAnswerTimeout(50);
        const int clicksBefore = channel.clicks();
        runner.Step();
        EXPECT_EQ(channel.clicks(), clicksBefore + 1);
        ASSERT_EQ(channel.heldRefreshes.size(), 1u) << "one round trip after the click";
        EXPECT_FALSE(log().contains(clickEnd));
        EXPECT_TRUE(runner.busy()) << "no other step while the click waits";
        c.then();
        EXPECT_EQ(log().count(clickEnd), 1);
        if (c.navigates) {
            // The finished screen is checked on the page the click opened.
            EXPECT_FALSE(runner.IsOver());
            navigate("next");
        } else {
            runner.Step();
        }
        EXPECT_TRUE(runner.IsOver());
        EXPECT_EQ(runner.ResultCode, c.navigates ? 0 : int(TTestOperationAction::WrongFinishedScreen));
        EXPECT_EQ(log().count(clickEnd), 1);
        channel.holdRefreshes = false;
    }
}

