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

TEST_F(RunnerTest, ChainOfThreeOperationsAcrossThreeScreens)
{
    TCommandAutoOperation& open = operation(1, "open", "login");
    open.MoveAddress = "http://localhost_login.html";
    TCommandAutoOperation& login = operation(2, "login", "login", 1);
    input(login, "11", "user1");
    click(login);
    login.FinishedScreenID = "localhost_menu";
    TCommandAutoOperation& menu = operation(3, "menu", "menu", 2);
    compare(menu, "12", "menu values");
    // The button submits the form: the page moves on to the menu.
    channel.onPost = [this](const TPageOperation& op) {
        if (op.kind == TPageOperation::Click)
            App().bus().NotifyBrowserBeforeNavigate(kTab);
    };

    TTestOperationAction& runner = run(menu);
    ASSERT_EQ(runner.Chain.size(), 3u);
    EXPECT_EQ(tabs.navigated, QStringList({ "http://localhost_login.html" }));
    runner.Step(); // the page is still loading: nothing happens
    navigate("login");
    // The operation without commands ended at the parsed page; the login operation is next.
    runner.Step(); // input
    runner.Step(); // click, which starts a navigation: the finished screen waits for it
    EXPECT_FALSE(log().contains("操作後の画面ＩＤ: localhost_menu"));
    show("menu");
    App().bus().NotifyDocumentParseCompleted(kTab);
    runner.Step(); // compare
    EXPECT_TRUE(runner.IsOver());
    EXPECT_EQ(runner.ResultCode, 0);
    EXPECT_EQ(ended->count(), 1);
    EXPECT_EQ(forms->calls, QStringList({ "input localhost_login 11", "compare 12" }));
    EXPECT_EQ(log(), QStringList({
                         "自動操作名: open 開始",
                         "移動するアドレス: http://localhost_login.html",
                         "操作する画面ID: localhost_login",
                         "自動操作名: open 終了",
                         "自動操作名: login 開始",
                         "操作する画面ID: localhost_login",
                         "操作定義: データ入力" + kDots + "user1 開始",
                         "操作定義: データ入力" + kDots + "user1 終了",
                         "操作定義: ボタンクリック" + kDots + "Go (form1.go) 開始",
                         "操作定義: ボタンクリック" + kDots + "Go (form1.go) 終了",
                         "操作後の画面ＩＤ: localhost_menu",
                         "自動操作名: login 終了",
                         "自動操作名: menu 開始",
                         "操作する画面ID: localhost_menu",
                         "操作定義: フォーム値比較" + kDots + "menu values 開始",
                         "操作定義: フォーム値比較" + kDots + "menu values 終了",
                         "自動操作名: menu 終了",
                     }));
}

TEST_F(RunnerTest, ConfirmOpenedByAClickIsAnsweredInsideThatStep)
{
    TCommandAutoOperation& op = operation(1, "delete", "start");
    click(op);
    confirm(op, 1);
    channel.onPost = [this](const TPageOperation& o) {
        if (o.kind == TPageOperation::Click)
            box(TPopupMessageInfo::kConfirm);
    };
    TTestOperationAction& runner = run(op);
    runner.Step();
    EXPECT_EQ(tab().popup->AnswerResult, 0);
    EXPECT_EQ(tab().popup->AnswerButton, 1);
    EXPECT_EQ(log().mid(2), QStringList({
                                "操作定義: ボタンクリック" + kDots + "Go (form1.go) 開始",
                                "操作定義: Confirm" + kDots + "OK ボタン 開始",
                                "操作定義: Confirm" + kDots + "OK ボタン 終了",
                                "操作定義: ボタンクリック" + kDots + "Go (form1.go) 終了",
                                "自動操作名: delete 終了",
                            }));
    EXPECT_TRUE(runner.IsOver());
}

TEST_F(RunnerTest, ErrorCodesEndTheRunAndLaterOperationsDoNotStart)
{
    struct Case {
        const char* name;
        std::function<void(RunnerTest&, TCommandAutoOperation&)> build;
        int code;
        QString line;
    };
    const Case cases[] = {
        { "wrong screen before a command",
          [](RunnerTest&, TCommandAutoOperation& op) { op.TargetScreenID = "localhost_other"; input(op, "1", "d"); },
          1, "操作する画面ID NG: localhost_start" },
        { "wrong finished screen",
          [](RunnerTest&, TCommandAutoOperation& op) { op.FinishedScreenID = "localhost_menu"; },
          2, "操作後の画面ＩＤ NG: localhost_start" },
        { "box expected but not shown",
          [](RunnerTest&, TCommandAutoOperation& op) { confirm(op, 2); },
          3, "操作定義 NG: Confirm" + kDots + "キャンセルボタン" },
        { "box before a data input",
          [](RunnerTest& t, TCommandAutoOperation& op) {
              click(op);
              input(op, "1", "d");
              t.channel.onPost = [&t](const TPageOperation&) { t.box(TPopupMessageInfo::kAlert); };
          },
          4, "操作定義 NG: データ入力" + kDots + "d" },
        { "alert where a confirm was expected",
          [](RunnerTest& t, TCommandAutoOperation& op) {
              click(op);
              confirm(op, 1);
              t.channel.onPost = [&t](const TPageOperation&) { t.box(TPopupMessageInfo::kAlert); };
          },
          5, "操作定義 NG: Confirm" + kDots + "OK ボタン" },
        { "values differ",
          [](RunnerTest& t, TCommandAutoOperation& op) { compare(op, "9", "c"); t.forms->compareResult = false; },
          21, "操作定義 NG: フォーム値比較" + kDots + "c" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        operations.clear();
        channel.onPost = nullptr;
        forms->compareResult = true;
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
    operation(4, "orphan", "start", 99);
    const Case cases[] = {
        { "self loop", 1, "self が循環しています" },
        { "A to B to A names B", 2, "B が循環しています" },
        { "missing precondition", 4, "orphan の事前条件の自動操作がありません: 99" },
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

TEST_F(RunnerTest, CancelWhileAPageLoadsEndsAtTheNextTick)
{
    TCommandAutoOperation& op = operation(1, "slow", "start");
    op.MoveAddress = "http://localhost_slow.html";
    input(op, "1", "d");
    TTestOperationAction& runner = run(op, 0);
    runner.Cancel();
    EXPECT_TRUE(tab().calls.contains("StopLoading"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return runner.IsOver(); }));
    EXPECT_TRUE(runner.Cancelled);
    EXPECT_EQ(log().last(), "自動操作名: slow 中止");
    EXPECT_TRUE(forms->calls.isEmpty());
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

// A navigation that never gives a parsed page ends at its bound: the tab stops loading and
// the screen check tells what the tab shows.
TEST_F(RunnerTest, NavigationWithoutAPageEndsAtItsBound)
{
    TCommandAutoOperation& op = operation(1, "lost", "next");
    op.MoveAddress = "http://localhost/lost.html";
    input(op, "1", "d");
    auto runner = std::make_unique<TTestOperationAction>(&op, operations, 60000);
    TTestOperationAction* raw = runner.get();
    raw->setNavigationTimeout(50);
    App().bus().AddListener(std::move(runner));
    App().operationLog().clear();
    tab().url = "http://localhost/lost.html";
    raw->Start();
    raw->Step(); // still waiting for the page
    EXPECT_FALSE(raw->IsOver());
    ASSERT_TRUE(QTest::qWaitFor([&] { return raw->IsOver(); }));
    EXPECT_TRUE(tab().calls.contains("StopLoading"));
    EXPECT_EQ(raw->ResultCode, int(TTestOperationAction::WrongScreen));
    EXPECT_EQ(log().mid(3), QStringList({ "ページの読み込み NG: http://localhost/lost.html (50 ms)",
                                          "操作する画面ID NG: localhost_start",
                                          "ErrorCode: 1 (操作する画面 ID が表示されていません)" }));
    EXPECT_TRUE(forms->calls.isEmpty());
}
