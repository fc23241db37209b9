#include "enginetab.h"

#include "browser/engine/enginebrowser.h"
#include "browser/engine/engineprofile.h"
#include "browser/tabaction.h"
#include "core/eventbus.h"
#include "core/textcodec.h"
#include "formdata/dataaction.h"
#include "operation/commandautooperation.h"
#include "operation/operationbatch.h"
#include "operation/operationlist.h"
#include "operation/testfilecommand.h"
#include "operation/testoperationaction.h"

#include <QPointer>
#include <QRegularExpression>

#include <memory>
#include <vector>

#include "operationpages.h"

namespace {

// Tab windows on the real engine without a main window, as the command line tool makes them.
class TEngineTabs final : public TTabWindowFactory {
public:
    explicit TEngineTabs(TEngineProfile& profile) : m_profile(profile) {}
    ~TEngineTabs() override
    {
        for (const QPointer<TEngineBrowser>& browser : m_browsers)
            delete browser.data();
    }
    TTabWindow* CreateTabWindow(TTabWindow*) override
    {
        auto* browser = new TEngineBrowser(m_profile.profile());
        browser->resize(1024, 768);
        browser->show();
        m_browsers.emplace_back(browser);
        return new TTabWindow(browser, nullptr, browser);
    }

private:
    TEngineProfile& m_profile;
    std::vector<QPointer<TEngineBrowser>> m_browsers;
};

// The tab and data controllers on the bus, one tab, the project of the operation pages,
// and operations read from their stored form; runs go through the batch, one runner each.
class OperationE2E : public TEngineSuite {
protected:
    static void SetUpTestSuite()
    {
        TEngineSuite::SetUpTestSuite();
        AddOperationPages(*s_server);
    }

    OperationE2E() : tabs(*s_profile)
    {
        UseNewProject(home.path(), [](TXMLProjectType& project) {
            ConfigureOperationProject(project);
            WriteOperationFormData(project.RootDirectory());
        });

        TEventBus& bus = App().bus();
        auto tabAction = std::make_unique<TTabAction>(&tabs, nullptr);
        tabController = tabAction.get();
        auto dataAction = std::make_unique<TDataAction>();
        dataController = dataAction.get();
        bus.AddListener(std::move(tabAction));
        bus.AddListener(std::move(dataAction));
        EXPECT_NE(tabController->OpenNewTab(false), nullptr);
    }

    ~OperationE2E() override
    {
        batch.reset();
        TEventBus& bus = App().bus();
        for (int i = bus.ListenerCount() - 1; i >= 0; --i) {
            if (bus.ListenerAt(i) == tabController || bus.ListenerAt(i) == dataController)
                bus.RemoveListener(i);
        }
        ProcessDeferredDeletes();
    }

    void add(int id, const QString& text)
    {
        auto operation = std::make_unique<TCommandAutoOperation>(id);
        TTestFileCommand::ParseOperationFile(textcodec::toCp932(OperationText(*s_server, id, text)), *operation);
        operations.add(QString::number(id), std::move(operation));
    }

    // Runs the operations one after another and waits for the end.
    const std::vector<TOperationRunResult>& run(const QStringList& keys, int navigationTimeoutMs = 0)
    {
        batch = std::make_unique<TOperationBatch>(operations, keys, 0);
        if (navigationTimeoutMs > 0)
            batch->setNavigationTimeout(navigationTimeoutMs);
        batch->start();
        EXPECT_TRUE(WaitUntil([&] { return batch->isFinished(); }, 60000));
        return batch->results();
    }

    // The lines without their tick count.
    static QStringList plain(const QStringList& lines)
    {
        static const QRegularExpression tick(QStringLiteral("^-?\\d+: "));
        QStringList out;
        for (QString line : lines)
            out << line.remove(tick);
        return out;
    }

    TTestHome home;
    TEngineTabs tabs;
    TTabAction* tabController = nullptr;
    TDataAction* dataController = nullptr;
    TOperationList operations;
    std::unique_ptr<TOperationBatch> batch;
};

} // namespace

// The box opened by the click is answered inside the click's step, also when the page
// navigates right after it, and the finished screen is checked on the new page.
TEST_F(OperationE2E, ConfirmThenNavigationIsCheckedOnTheNextScreenEveryTime)
{
    add(1, "MoveAddress=@/op/login.html\nTargetScreenID=LOGIN\nFinishedScreenID=MENU\n"
           "OperationType[0]=2,login.ask\nOperationType[1]=1,2,1");
    QStringList keys;
    for (int i = 0; i < 8; ++i)
        keys << QStringLiteral("1");
    const auto& results = run(keys);
    ASSERT_EQ(results.size(), 8u);
    for (const TOperationRunResult& result : results) {
        const QStringList lines = plain(result.lines);
        EXPECT_TRUE(result.passed) << lines.join('\n').toStdString();
        const qsizetype boxEnd = lines.indexOf(QStringLiteral("操作定義: Confirm … OK ボタン 終了"));
        const qsizetype clickEnd = lines.indexOf(QStringLiteral("操作定義: ボタンクリック … Ask (login.ask) 終了"));
        EXPECT_GE(boxEnd, 0);
        EXPECT_GT(clickEnd, boxEnd);
    }
}

TEST_F(OperationE2E, CancelInTheMiddleOfARunEndsIt)
{
    add(1, "OperationName=slow\nMoveAddress=@/op/slow.html\nTargetScreenID=SLOW\nOperationType[0]=0,501,user1");
    batch = std::make_unique<TOperationBatch>(operations, QStringList { "1", "1" }, 0);
    batch->start();
    ASSERT_TRUE(WaitUntil([&] { return s_server->requestCount(QStringLiteral("/op/slow.html")) > 0; }));
    batch->cancel();
    ASSERT_TRUE(WaitUntil([&] { return batch->isFinished(); }));
    ASSERT_EQ(batch->results().size(), 1u) << "a cancelled batch starts no more runs";
    const TOperationRunResult& result = batch->results().front();
    EXPECT_TRUE(result.cancelled);
    EXPECT_FALSE(result.passed);
    EXPECT_EQ(plain(result.lines).last(), QStringLiteral("自動操作名: slow 中止"));
    EXPECT_FALSE(plain(result.lines).join('\n').contains(QStringLiteral("データ入力")));
}

TEST_F(OperationE2E, NavigationThatNeverGivesAPageEndsAtItsBound)
{
    add(1, "MoveAddress=@/op/never.html\nTargetScreenID=NEVER\nOperationType[0]=0,501,user1");
    const auto& results = run({ "1" }, 1500);
    ASSERT_EQ(results.size(), 1u);
    const QStringList lines = plain(results.front().lines);
    EXPECT_EQ(results.front().resultCode, TTestOperationAction::WrongScreen);
    ASSERT_GE(lines.size(), 3);
    EXPECT_TRUE(lines.at(lines.size() - 3).startsWith(QStringLiteral("ページの読み込み NG: ") + s_server->urlText("/op/never.html")))
        << lines.join('\n').toStdString();
    EXPECT_EQ(lines.last(), QStringLiteral("ErrorCode: 1 (操作する画面 ID が表示されていません)"));
}
