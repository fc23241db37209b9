#include "core/appcontext.h"
#include "core/error.h"
#include "core/eventbus.h"
#include "core/memo.h"
#include "support/recordinglistener.h"
#include "support/testhome.h"

#include <gtest/gtest.h>

namespace {

// Tab 7 is the only tab; the test decides whether it can be locked or is closing.
class FakeTabs : public TTabLookup, public TTabLock {
public:
    TTabLock* findTabLock(int id) override { return id == 7 ? this : nullptr; }
    bool tryLockTab() override { ++locks; locked = true; return lockable; }
    void unlockTab() override { ++unlocks; locked = false; }
    bool isClosing() const override { return closing; }
    bool lockable = true, closing = false, locked = false;
    int locks = 0, unlocks = 0;
};

class EventBusTest : public testing::Test {
protected:
    std::unique_ptr<TRecordingListener> listener(std::initializer_list<TEvent> events, const QString& tag = {})
    {
        return std::make_unique<TRecordingListener>(log, events, tag);
    }
    void TearDown() override { bus.setTabLookup(nullptr); }

    TTestHome home;
    std::shared_ptr<QStringList> log = std::make_shared<QStringList>();
    TEventBus& bus = App().bus();
    FakeTabs tabs;
};

} // namespace

TEST_F(EventBusTest, DeliversInListeningOrderAndSkipsEmptySlots)
{
    bus.AddListener(listener({ TEvent::ProjectOpened }, "A"));
    bus.AddListener(listener({ TEvent::ProjectClosed }, "B"));
    const int last = bus.AddListener(listener({ TEvent::ProjectOpened, TEvent::ProjectClosed }, "C"));
    bus.NotifyProjectOpened(0);
    bus.NotifyProjectClosed(0);
    bus.NotifyPopupWindowsOpened(0);
    EXPECT_EQ(*log, QStringList({ "A ProjectOpened:0", "C ProjectOpened:0", "B ProjectClosed:0", "C ProjectClosed:0" }));

    // The test run's listener is replaced at the end of the list.
    log->clear();
    bus.RemoveListener(last);
    EXPECT_EQ(bus.AddListener(listener({ TEvent::ProjectOpened }, "D")), last);
    EXPECT_EQ(bus.ListenerCount(), 3);
    bus.NotifyProjectOpened(0);
    EXPECT_EQ(*log, QStringList({ "A ProjectOpened:0", "D ProjectOpened:0" }));
}

TEST_F(EventBusTest, ListenerAddedDuringBroadcastWaitsForTheNextOne)
{
    auto adder = listener({});
    adder->on(TEvent::ProjectNewed, [&](int) { bus.AddListener(listener({ TEvent::ProjectNewed }, "late")); });
    bus.AddListener(std::move(adder));
    bus.NotifyProjectNewed(0);
    EXPECT_TRUE(log->isEmpty());
}

TEST_F(EventBusTest, FailingHandlerIsLoggedShownOnceAndOthersStillRun)
{
    auto failing = listener({});
    failing->on(TEvent::FormDataSaved, [](int) { throw TError("disk on fire"); });
    bus.AddListener(std::move(failing));
    bus.AddListener(listener({ TEvent::FormDataSaved }));

    bus.NotifyFormDataSaved(0);
    EXPECT_EQ(*log, QStringList({ "FormDataSaved:0" }));
    ASSERT_EQ(App().operationLog().lineCount(), 1);
    EXPECT_TRUE(App().operationLog().lines().first().endsWith(": [ERROR] notify error: disk on fire"));
    EXPECT_EQ(home.prompter().messages(), QStringList({ "notify error: disk on fire" }));
}

TEST_F(EventBusTest, EventsAboutAClosingTabReachNoHandler)
{
    bus.setTabLookup(&tabs);
    bus.AddListener(listener({ TEvent::BrowserTitleChanged }));
    bool lockedDuringHandler = false;
    auto probe = listener({});
    probe->on(TEvent::BrowserTitleChanged, [&](int) { lockedDuringHandler = tabs.locked; });
    bus.AddListener(std::move(probe));

    bus.NotifyBrowserTitleChanged(7);
    EXPECT_TRUE(lockedDuringHandler);
    EXPECT_EQ(tabs.locks, tabs.unlocks);

    tabs.closing = true;
    bus.NotifyBrowserTitleChanged(7);
    tabs.closing = false;
    tabs.lockable = false;
    bus.NotifyBrowserTitleChanged(7);
    EXPECT_EQ(*log, QStringList({ "BrowserTitleChanged:7" }));

    // Argument 0 and unknown tabs never touch a lock.
    const int locksBefore = tabs.locks;
    bus.NotifyBrowserTitleChanged(0);
    bus.NotifyBrowserTitleChanged(99);
    EXPECT_EQ(tabs.locks, locksBefore);
}

TEST_F(EventBusTest, LockIsReleasedWhenTheHandlerThrows)
{
    bus.setTabLookup(&tabs);
    auto failing = listener({});
    failing->on(TEvent::PopupOpen, [](int) { throw std::runtime_error("bad"); });
    bus.AddListener(std::move(failing));
    bus.NotifyPopupOpen(7);
    EXPECT_FALSE(tabs.locked);
    EXPECT_EQ(tabs.locks, 1);
}
