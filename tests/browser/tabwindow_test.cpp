#include "fakebrowser.h"

#include "core/appcontext.h"
#include "core/memo.h"
#include "document/calverdinedocument.h"
#include "document/pagesnapshot.h"
#include "core/projectdocument.h"
#include "support/recordingtabowner.h"
#include "support/testhome.h"

#include <QSignalSpy>
#include <QTest>
#include <QThreadPool>

#include <gtest/gtest.h>

#include <memory>

namespace {

const QString kTop = QStringLiteral("http://127.0.0.1/top.html");

class TabWindowTest : public ::testing::Test {
protected:
    TabWindowTest()
    {
        tab = std::make_unique<TTabWindow>(&browser, &frame);
        tab->SetTabId(7);
        tab->SetOwner(&owner);
        frame.tab = tab.get();
    }

    // A page loaded and parsed.
    void loadPage(const QString& url = kTop)
    {
        browser.location = url;
        browser.events->BeforeNavigate2(url, true);
        browser.events->NavigateComplete2(url);
        browser.completePage(url);
        browser.answerSnapshot();
    }

    TTestHome home;
    TFakeBrowser browser;
    TFakeFrame frame;
    TRecordingTabOwner owner { false };
    std::unique_ptr<TTabWindow> tab;
};

TEST_F(TabWindowTest, NavigationStatesOfScriptAddressStopErrorAndReload)
{
    for (int i = 0; i < 150; ++i)
        browser.history.append({ QString::number(i), QStringLiteral("http://127.0.0.1/%1.html").arg(i) });
    loadPage();
    EXPECT_EQ(tab->BackEntries().size(), 10);
    EXPECT_EQ(tab->ForwardEntries().size(), 10);
    EXPECT_EQ(tab->AllEntries().size(), 100);

    const TDownloadInfo before = tab->NavigationInfo();
    browser.events->BeforeNavigate2(QStringLiteral("javascript:void(0)"), false);
    EXPECT_EQ(tab->NavigationState(), TTabWindow::kStateLoaded);
    EXPECT_EQ(tab->NavigationInfo(), before);
    EXPECT_EQ(tab->GetRequestedUrl(), kTop);

    browser.events->BeforeNavigate2(kTop, true);
    tab->StopLoading();
    EXPECT_EQ(tab->NavigationState(), TTabWindow::kStateStopped);
    EXPECT_TRUE(tab->PendingUrls().isEmpty());
    browser.completePage(kTop);
    EXPECT_EQ(tab->NavigationState(), TTabWindow::kStateStopped) << "a parse keeps the stopped state";

    browser.answerSnapshot();
    ASSERT_NE(tab->GetDocumentModel(), nullptr);
    browser.events->BeforeNavigate2(kTop, true);
    browser.events->NavigateError(kTop);
    EXPECT_EQ(tab->NavigationState(), TTabWindow::kStateError);
    EXPECT_EQ(tab->GetDocumentModel(), nullptr) << "the model of the page left is gone with the failed load";
    EXPECT_TRUE(tab->PendingUrls().isEmpty()) << "a failed address is no longer pending";
    browser.events->FileDownload(kTop);
    EXPECT_EQ(tab->NavigationState(), TTabWindow::kStateError) << "a download does not hide the error";

    owner.take();
    tab->Reload(true);
    EXPECT_EQ(tab->NavigationState(), TTabWindow::kStateNavigating);
    EXPECT_TRUE(tab->Busy());
    EXPECT_EQ(owner.take(), QStringList { "CommandState:3+" });
    EXPECT_EQ(browser.calls.last(), "Refresh 3");
    browser.html = false;
    browser.calls.clear();
    tab->Reload(false);
    EXPECT_TRUE(browser.calls.isEmpty()) << "only an HTML document is reloaded";
}

TEST_F(TabWindowTest, SnapshotOfAPageLeftBehindIsDroppedAndFailuresAreReported)
{
    const QString next = QStringLiteral("http://127.0.0.1/next.html");
    browser.location = kTop;
    browser.events->BeforeNavigate2(kTop, true);
    browser.completePage(kTop);
    browser.events->BeforeNavigate2(next, true);
    browser.answerSnapshot();
    EXPECT_FALSE(owner.reports.contains("DocumentParsed"));
    EXPECT_EQ(tab->GetDocumentModel(), nullptr);

    QSignalSpy failed(tab.get(), &TTabWindow::parseFailed);
    browser.completePage(next);
    browser.failSnapshot(QStringLiteral("the page is gone"));
    EXPECT_EQ(failed.size(), 1);
    EXPECT_FALSE(tab->IsReady());
    EXPECT_TRUE(home.prompter().messages().value(0).contains("the page is gone"));

    browser.completePage(next);
    TBrowserControl::SnapshotResult broken;
    broken.json = "{\"format\":1,\"documents\":";
    browser.snapshots.front()(broken);
    EXPECT_EQ(failed.size(), 2) << "a truncated snapshot builds no model";
}

TEST_F(TabWindowTest, DownloadsAreReportedOncePerNavigationWithTheirStatusLines)
{
    const QString connecting = QStringLiteral("サイト 127.0.0.1 に接続しています...");
    browser.events->BeforeNavigate2(QStringLiteral("http://127.0.0.1/file.csv"), true);
    for (const QString& status : { connecting, connecting, QStringLiteral("http://127.0.0.1/other.html") })
        browser.events->StatusTextChange(status);
    owner.take();

    browser.events->FileDownload(QStringLiteral("http://127.0.0.1/file.csv"));
    browser.events->FileDownload(QStringLiteral("http://127.0.0.1/file.csv"));
    EXPECT_EQ(owner.take(), QStringList { "Download" });
    EXPECT_EQ(tab->NavigationState(), TTabWindow::kStateDownload);
    EXPECT_EQ(tab->LastDownloadInfo().Url, "http://127.0.0.1/file.csv");
    EXPECT_EQ(tab->LastDownloadInfo().Lines, QStringList { connecting });

    browser.events->BeforeNavigate2(QStringLiteral("http://127.0.0.1/file2.csv"), true);
    EXPECT_EQ(tab->LastDownloadInfo().Url, QString()) << "a navigation starts empty records";
    browser.events->FileDownload(QStringLiteral("http://127.0.0.1/file2.csv"));
    EXPECT_TRUE(owner.take().contains("Download"));
}

// Local pages (127.0.0.1) follow the project's ViewAlert and the PopupOpen handler's answer;
// the boxes of remote pages are always shown.
TEST_F(TabWindowTest, MessageBoxesAreShownOrAnsweredByTheirRules)
{
    const struct {
        const char* name;
        bool remote;
        int type, viewAlert, answerResult, answerButton, result, button;
    } cases[] = {
        { "LocalAlertHiddenByProject", false, 48, 0, -1, -1, 0, -1 },
        { "LocalAlertShownByProject", false, 48, 1, -1, -1, 1, -1 },
        { "LocalAlertAnswerWins", false, 48, 1, 0, -1, 0, -1 },
        { "RemoteAlertAlwaysShown", true, 48, 0, 0, 1, 1, -1 },
        { "LocalConfirmAnsweredCancel", false, 33, 1, 0, 2, 0, 2 },
        { "LocalConfirmWithResultOnlyShown", false, 33, 1, 0, -1, 1, -1 },
        { "RemoteConfirmShown", true, 33, 1, 0, 2, 1, -1 },
        { "OtherBoxesShown", false, 64, 0, 0, 1, 1, -1 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto project = TXMLProjectType::NewProjectDocument();
        project->ApplyNewProjectValues(QStringLiteral("P"), home.path());
        project->SetViewAlert(c.viewAlert);
        App().setCurrentProject(std::move(project));
        loadPage(c.remote ? QStringLiteral("http://127.0.0.2/page.html") : kTop);
        owner.popupOpen = [&] {
            tab->PopupInfo()->AnswerResult = c.answerResult;
            tab->PopupInfo()->AnswerButton = c.answerButton;
        };
        owner.take();
        const TMessageBoxAnswer answer = browser.events->ShowMessage(QStringLiteral("text"), QStringLiteral("caption"), c.type);
        // The answer, then what the tab keeps of it: result, button and the box's type.
        const TPopupMessageInfo& info = *tab->PopupInfo();
        EXPECT_EQ(QList<int>({ answer.result, answer.button, info.Result, info.ResultButton, info.MessageType }),
                  QList<int>({ c.result, c.button, c.result, c.button, c.type }));
        EXPECT_EQ(owner.take(), (QStringList { "PopupOpen", "PopupOpened" }));
    }
}

TEST_F(TabWindowTest, ShortcutsAndRightButtonGesturesOfTheTab)
{
    const struct {
        int key;
        Qt::KeyboardModifiers modifiers;
        bool handled;
        const char* report;
    } keys[] = {
        { Qt::Key_F, Qt::ControlModifier, true, "KeyCommand:1" },
        { Qt::Key_F, Qt::ControlModifier | Qt::AltModifier, false, "" },
        { Qt::Key_O, Qt::ControlModifier, true, "KeyCommand:3" },
        { Qt::Key_N, Qt::NoModifier, false, "" },
    };
    for (const auto& k : keys) {
        SCOPED_TRACE(testing::Message() << k.key << " " << k.modifiers);
        EXPECT_EQ(tab->KeyDown(k.key, k.modifiers), k.handled);
        EXPECT_EQ(owner.take().join(','), QString::fromLatin1(k.report));
    }
    TTabWindow::SetFileOpenKey(Qt::Key_P);
    EXPECT_TRUE(tab->KeyDown(Qt::Key_P, Qt::ControlModifier));
    EXPECT_FALSE(tab->KeyDown(Qt::Key_O, Qt::ControlModifier));
    TTabWindow::SetFileOpenKey(Qt::Key_O);

    // Escape is left to the page's host, and stops a navigation.
    loadPage();
    browser.events->BeforeNavigate2(kTop, true);
    EXPECT_FALSE(tab->KeyDown(Qt::Key_Escape, Qt::NoModifier));
    EXPECT_EQ(tab->NavigationState(), TTabWindow::kStateStopped);
    EXPECT_TRUE(browser.calls.contains("Stop"));

    // One direction of more than 20 pixels: 1 up, 2 down, 4 left, 8 right.
    const struct {
        QPoint release;
        int code;
    } drags[] = { { { 100, 70 }, 1 }, { { 100, 130 }, 2 }, { { 70, 100 }, 4 }, { { 130, 105 }, 8 },
                  { { 70, 70 }, 0 }, { { 120, 80 }, 0 } };
    for (const auto& d : drags)
        EXPECT_EQ(TTabWindow::GestureCode({ 100, 100 }, d.release), d.code) << d.release.x() << "," << d.release.y();
    tab->RightButtonDown({ 200, 200 });
    EXPECT_FALSE(tab->RightButtonUp({ 230, 230 })) << "a diagonal drag is left to the page";
}

// A frame completing after the page parses the page again, but not while the top page itself
// is loading: then it is part of that load.
TEST_F(TabWindowTest, AFrameCompletingParsesAgainUnlessThePageIsLoading)
{
    loadPage();
    browser.readyState = QStringLiteral("loading");
    browser.events->DocumentEvent({ TDocumentEvent::ReadyState, 1, -1, {} });
    EXPECT_TRUE(browser.snapshots.empty());
    browser.readyState = QStringLiteral("complete");
    browser.events->DocumentEvent({ TDocumentEvent::ReadyState, 1, -1, {} });
    EXPECT_EQ(browser.snapshots.size(), 1u);
}

TEST_F(TabWindowTest, CommandStatesAreReportedWhenTheyChange)
{
    loadPage();
    owner.take();
    browser.events->CommandStateChange(CSC_NAVIGATEBACK, true);
    browser.events->CommandStateChange(CSC_NAVIGATEBACK, true);
    browser.events->CommandStateChange(CSC_NAVIGATEFORWARD, false);
    EXPECT_EQ(owner.take(), QStringList { "CommandState:2+" });

    browser.events->DocumentEvent({ TDocumentEvent::SelectionChange, 0, 3, QStringLiteral("word") });
    browser.events->CommandStateChange(CSC_UPDATECOMMANDS, true);
    browser.events->DocumentEvent({ TDocumentEvent::BeforeEditFocus, 0, 4, {} });
    browser.events->CommandStateChange(CSC_UPDATECOMMANDS, true);
    browser.events->CommandStateChange(CSC_UPDATECOMMANDS, true);
    browser.events->DocumentEvent({ TDocumentEvent::SelectionChange, 0, 4, QString() });
    browser.events->DocumentEvent({ TDocumentEvent::Deactivate, 0, -1, {} });
    browser.events->CommandStateChange(CSC_UPDATECOMMANDS, true);
    EXPECT_EQ(owner.take(), (QStringList { "CommandState:11+", "CommandState:21+", "CommandState:12+", "CommandState:22+" }));
    EXPECT_EQ(tab->ClickedDocument(), -1);

    browser.busy = true;
    browser.events->CommandStateChange(CSC_UPDATECOMMANDS, true);
    EXPECT_EQ(owner.take(), QStringList { "CommandState:3+" });
}

TEST_F(TabWindowTest, ScriptCloseAsksTheWindowAndResizeRespectsMaximised)
{
    loadPage();
    frame.normal = false;
    browser.events->WindowSetWidth(300);
    EXPECT_TRUE(frame.applied.isEmpty());
    EXPECT_EQ(tab->RequestedGeometry().width(), 300);
    frame.normal = true;
    browser.events->WindowSetHeight(200);
    EXPECT_EQ(frame.applied, QStringList { "height 200" });

    owner.take();
    browser.events->WindowClosing();
    EXPECT_EQ(frame.closeRequests, 1);
    EXPECT_TRUE(tab->IsClosing());
    EXPECT_EQ(owner.take(), QStringList { "Close" });
    // That nothing is reported after the close is checked on the real engine.
}

TEST_F(TabWindowTest, ActivationFocusTitleAndTextSize)
{
    tab->FormActivate();
    EXPECT_TRUE(owner.take().isEmpty()) << "the first activation is not reported";
    tab->FormActivate();
    EXPECT_EQ(owner.take(), QStringList { "Activate" });

    browser.events->TitleChange(QStringLiteral("A title longer than fifteen"));
    EXPECT_EQ(frame.caption, "A title longer than fifteen");

    tab->RequestActivate();
    EXPECT_TRUE(QTest::qWaitFor([&] { return browser.calls.count("FocusPage") == 1; }));
    EXPECT_EQ(TTabWindow::LastActivated(), tab.get());
    browser.events->DocumentEvent({ TDocumentEvent::FocusOut, 0, -1, {} });
    EXPECT_EQ(TTabWindow::LastActivated(), nullptr);
    tab->PointerMoved();
    EXPECT_EQ(browser.calls.count("FocusPage"), 2);
    frame.mayActivate = false;
    browser.events->DocumentEvent({ TDocumentEvent::FocusOut, 0, -1, {} });
    tab->PointerMoved();
    EXPECT_EQ(browser.calls.count("FocusPage"), 2) << "the address box keeps its focus";

    for (int size : { 4, 3, 2, 1, 0, 7 }) {
        tab->SetTextSize(size);
        EXPECT_EQ(tab->TextSize(), size == 7 ? 0 : size) << size << ": sizes outside 0..4 change nothing";
    }
    EXPECT_LT(browser.zoom, 1.0);
}

// A page big enough to be read on a worker thread: forms of 100 text fields with values.
QByteArray BigSnapshot(const QString& url)
{
    QByteArray elements;
    QByteArray forms;
    int h = 0;
    for (int f = 0; f < 120; ++f) {
        const int form = ++h;
        QByteArray items;
        QByteArray inputs;
        for (int i = 0; i < 100; ++i) {
            const int input = ++h;
            items += (i ? "," : "") + QByteArray::number(input);
            inputs += ",{\"h\":" + QByteArray::number(input) + ",\"tag\":\"INPUT\",\"type\":\"text\",\"name\":\"field"
                      + QByteArray::number(i) + "\",\"value\":\"value " + QByteArray::number(h)
                      + " with some text to make the page big\",\"form\":" + QByteArray::number(form) + "}";
        }
        elements += QByteArray(f ? "," : "") + "{\"h\":" + QByteArray::number(form) + ",\"tag\":\"FORM\",\"name\":\"form"
                    + QByteArray::number(f) + "\",\"method\":\"post\",\"items\":[" + items + "]}" + inputs;
        forms += (f ? "," : "") + QByteArray::number(form);
    }
    return "{\"format\":1,\"documents\":[{\"id\":0,\"url\":\"" + url.toUtf8() + "\",\"title\":\"Big\",\"elements\":["
           + elements + "],\"forms\":[" + forms + "]}]}";
}

TEST_F(TabWindowTest, APageLeftOrATabClosedWhileItsPageIsReadTakesNoStaleModel)
{
    const QString next = QStringLiteral("http://127.0.0.1/next.html");
    browser.location = kTop;
    browser.events->BeforeNavigate2(kTop, true);
    browser.completePage(kTop);
    TBrowserControl::SnapshotResult result;
    result.json = BigSnapshot(kTop);
    browser.snapshots.front()(result);
    browser.snapshots.clear();
    // The next page is parsed while the big one is still being read.
    browser.location = next;
    browser.events->BeforeNavigate2(next, true);
    browser.completePage(next);
    browser.answerSnapshot();
    ASSERT_NE(tab->GetDocumentModel(), nullptr);
    QThreadPool::globalInstance()->waitForDone();
    QCoreApplication::processEvents();
    EXPECT_EQ(tab->GetDocumentModel()->URL(), next) << "the big page's model came too late and was dropped";
    EXPECT_EQ(tab->GetDocumentModel()->FormParts().count(), 0);

    // Closed while reading: the worker finishes on its own, nothing is delivered.
    browser.completePage(next);
    result.json = BigSnapshot(next);
    browser.snapshots.front()(result);
    browser.snapshots.clear();
    tab.reset();
    frame.tab = nullptr;
    owner.take();
    QThreadPool::globalInstance()->waitForDone();
    QCoreApplication::processEvents();
    EXPECT_FALSE(owner.take().contains("DocumentParsed"));
}

}

// A page opening windows in a loop gets a fixed number of them, each reported to the owner;
// the rest are refused with one message. Loading the page again, or a click or a key in it,
// allows as many anew.
TEST_F(TabWindowTest, APageOpeningWindowsInALoopIsStoppedAndToldOnce)
{
    loadPage();
    for (int i = 0; i < TTabWindow::kNewWindowsPerPage + 5; ++i)
        browser.events->NewWindow2();
    QCoreApplication::processEvents();
    EXPECT_EQ(owner.count("NewWindow"), TTabWindow::kNewWindowsPerPage);
    EXPECT_EQ(home.prompter().messages(), QStringList { "new window refused: the page has opened 20 windows on its own" });
    for (const auto& use : std::vector<std::function<void()>> {
             [&] { loadPage(); },
             [&] { browser.events->DocumentEvent(TDocumentEvent { TDocumentEvent::MouseDown, 0 }); },
             [&] { browser.events->KeyDown(Qt::Key_Return, Qt::NoModifier); } }) {
        const int before = owner.count("NewWindow");
        use();
        for (int i = 0; i < TTabWindow::kNewWindowsPerPage + 1; ++i)
            browser.events->NewWindow2();
        EXPECT_EQ(owner.count("NewWindow"), before + TTabWindow::kNewWindowsPerPage);
    }
}

