#include "core/appcontext.h"
#include "core/error.h"
#include "core/eventbus.h"
#include "core/memo.h"
#include "support/recordinglistener.h"
#include "support/testhome.h"

#include <gtest/gtest.h>

namespace {

class FakeTab : public TTabLock {
public:
    bool tryLockTab() override
    {
        ++locks;
        locked = true;
        return lockable;
    }
    void unlockTab() override
    {
        ++unlocks;
        locked = false;
    }
    bool isClosing() const override { return closing; }

    bool lockable = true;
    bool closing = false;
    bool locked = false;
    int locks = 0;
    int unlocks = 0;
};

class FakeTabs : public TTabLookup {
public:
    TTabLock* findTabLock(int id) override { return id == 7 ? &tab : nullptr; }
    FakeTab tab;
};

} // namespace

TEST(EventBus, DeliversInListeningOrderAndSkipsEmptySlots)
{
    TTestHome home;
    auto log = std::make_shared<QStringList>();
    TEventBus& bus = App().bus();
    bus.AddListener(std::make_unique<TRecordingListener>(log, std::initializer_list<TEvent> { TEvent::ProjectOpened }, "A"));
    bus.AddListener(std::make_unique<TRecordingListener>(log, std::initializer_list<TEvent> { TEvent::ProjectClosed }, "B"));
    bus.AddListener(std::make_unique<TRecordingListener>(log, std::initializer_list<TEvent> { TEvent::ProjectOpened, TEvent::ProjectClosed }, "C"));

    bus.NotifyProjectOpened(0);
    bus.NotifyProjectClosed(0);
    bus.NotifyPopupWindowsOpened(0);
    EXPECT_EQ(*log, QStringList({ "A ProjectOpened:0", "C ProjectOpened:0", "B ProjectClosed:0", "C ProjectClosed:0" }));
}

TEST(EventBus, FailingHandlerIsLoggedShownOnceAndOthersStillRun)
{
    TTestHome home;
    auto log = std::make_shared<QStringList>();
    TEventBus& bus = App().bus();
    auto failing = std::make_unique<TRecordingListener>(log, std::initializer_list<TEvent> {});
    failing->on(TEvent::FormDataSaved, [](int) { throw TError("disk on fire"); });
    bus.AddListener(std::move(failing));
    bus.AddListener(std::make_unique<TRecordingListener>(log, std::initializer_list<TEvent> { TEvent::FormDataSaved }));

    bus.NotifyFormDataSaved(0);

    EXPECT_EQ(*log, QStringList({ "FormDataSaved:0" }));
    ASSERT_EQ(App().operationLog().lineCount(), 1);
    EXPECT_TRUE(App().operationLog().lines().first().endsWith(": [ERROR] notify error: disk on fire"));
    EXPECT_EQ(home.prompter().messages(), QStringList({ "notify error: disk on fire" }));
}

TEST(EventBus, EventsAboutAClosingTabReachNoHandler)
{
    TTestHome home;
    FakeTabs tabs;
    auto log = std::make_shared<QStringList>();
    TEventBus& bus = App().bus();
    bus.setTabLookup(&tabs);
    bus.AddListener(std::make_unique<TRecordingListener>(log, std::initializer_list<TEvent> { TEvent::BrowserTitleChanged }));

    bool lockedDuringHandler = false;
    auto probe = std::make_unique<TRecordingListener>(log, std::initializer_list<TEvent> {});
    probe->on(TEvent::BrowserTitleChanged, [&](int) { lockedDuringHandler = tabs.tab.locked; });
    bus.AddListener(std::move(probe));

    bus.NotifyBrowserTitleChanged(7);
    EXPECT_TRUE(lockedDuringHandler);
    EXPECT_EQ(tabs.tab.locks, tabs.tab.unlocks);

    tabs.tab.closing = true;
    bus.NotifyBrowserTitleChanged(7);
    tabs.tab.closing = false;
    tabs.tab.lockable = false;
    bus.NotifyBrowserTitleChanged(7);
    EXPECT_EQ(*log, QStringList({ "BrowserTitleChanged:7" }));

    // Argument 0 and unknown tabs never touch a lock.
    const int locksBefore = tabs.tab.locks;
    bus.NotifyBrowserTitleChanged(0);
    bus.NotifyBrowserTitleChanged(99);
    EXPECT_EQ(tabs.tab.locks, locksBefore);
    bus.setTabLookup(nullptr);
}

TEST(EventBus, LockIsReleasedWhenTheHandlerThrows)
{
    TTestHome home;
    FakeTabs tabs;
    TEventBus& bus = App().bus();
    bus.setTabLookup(&tabs);
    auto log = std::make_shared<QStringList>();
    auto failing = std::make_unique<TRecordingListener>(log, std::initializer_list<TEvent> {});
    failing->on(TEvent::PopupOpen, [](int) { throw std::runtime_error("bad"); });
    bus.AddListener(std::move(failing));
    bus.NotifyPopupOpen(7);
    EXPECT_FALSE(tabs.tab.locked);
    EXPECT_EQ(tabs.tab.locks, 1);
    bus.setTabLookup(nullptr);
}

TEST(EventBus, ReplacingARunListenerKeepsTheCount)
{
    TTestHome home;
    TEventBus& bus = App().bus();
    auto log = std::make_shared<QStringList>();
    bus.AddListener(std::make_unique<TRecordingListener>(log, std::initializer_list<TEvent> {}));
    const int run = bus.AddListener(std::make_unique<TRecordingListener>(log, std::initializer_list<TEvent> { TEvent::PopupOpen }, "run1"));
    bus.RemoveListener(run);
    const int again = bus.AddListener(std::make_unique<TRecordingListener>(log, std::initializer_list<TEvent> { TEvent::PopupOpen }, "run2"));
    EXPECT_EQ(again, run);
    EXPECT_EQ(bus.ListenerCount(), 2);
    bus.NotifyPopupOpen(0);
    EXPECT_EQ(*log, QStringList({ "run2 PopupOpen:0" }));
}

TEST(EventBus, ListenerAddedDuringBroadcastWaitsForTheNextOne)
{
    TTestHome home;
    TEventBus& bus = App().bus();
    auto log = std::make_shared<QStringList>();
    auto adder = std::make_unique<TRecordingListener>(log, std::initializer_list<TEvent> {});
    adder->on(TEvent::ProjectNewed, [&](int) {
        bus.AddListener(std::make_unique<TRecordingListener>(log, std::initializer_list<TEvent> { TEvent::ProjectNewed }, "late"));
    });
    bus.AddListener(std::move(adder));
    bus.NotifyProjectNewed(0);
    EXPECT_TRUE(log->isEmpty());
}

TEST(EventBus, NamesAreSpelledAsTheSystemSpellsThem)
{
    EXPECT_EQ(EventName(TEvent::FormActivated), QString("FormActivated"));
    EXPECT_EQ(EventName(TEvent::BrowserCommandTextInputForcused), QString("BrowserCommandTextInputForcused"));
    EXPECT_EQ(EventName(TEvent::DownloadBegining), QString("DownloadBegining"));
    EXPECT_EQ(EventName(TEvent::FormDataLoaded), QString("FormDataLoaded"));
    EXPECT_EQ(int(TEvent::FormDataLoaded), kEventCount - 1);
}
