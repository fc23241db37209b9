#include "fakebrowser.h"

#include "core/appcontext.h"
#include "core/memo.h"
#include "document/calverdinedocument.h"
#include "project/projectdocument.h"
#include "support/testhome.h"

#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>

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

    void openProject(int viewAlert)
    {
        auto project = TXMLProjectType::NewProjectDocument();
        project->ApplyNewProjectValues(QStringLiteral("P"), home.path());
        project->SetViewAlert(viewAlert);
        project->SetOutputWarning(1);
        App().setCurrentProject(std::move(project));
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
    TRecordingOwner owner;
    std::unique_ptr<TTabWindow> tab;
};

TEST_F(TabWindowTest, FramesetIsParsedOnceWhenTheTopDocumentCompletes)
{
    const QStringList frames { "http://127.0.0.1/menu.html", "http://127.0.0.1/main.html", "http://127.0.0.1/help.html" };
    browser.location = kTop;
    browser.events->BeforeNavigate2(kTop, true);
    for (const QString& f : frames)
        browser.events->BeforeNavigate2(f, false);
    EXPECT_EQ(tab->PendingUrls().size(), 4);
    EXPECT_EQ(tab->NavigationState(), TTabWindow::kStateNavigating);
    EXPECT_EQ(tab->GetRequestedUrl(), frames.last());
    owner.take();

    browser.completePage(kTop, frames);
    EXPECT_TRUE(tab->PendingUrls().isEmpty());
    EXPECT_EQ(owner.take(), (QStringList { "CommandState:3-", "DocumentComplete:" + kTop + " Page" }));
    ASSERT_EQ(browser.snapshots.size(), 1u) << "one parse";
    EXPECT_FALSE(tab->IsReady());

    browser.answerSnapshot();
    EXPECT_EQ(owner.take(), QStringList { "DocumentParsed" });
    EXPECT_TRUE(tab->IsReady());
    EXPECT_EQ(tab->NavigationState(), TTabWindow::kStateLoaded);
    ASSERT_NE(tab->GetDocumentModel(), nullptr);
    EXPECT_EQ(tab->GetUrl(), kTop);
}

TEST_F(TabWindowTest, JavascriptAddressChangesNeitherStateNorRecords)
{
    loadPage();
    const TDownloadInfo before = tab->NavigationInfo();
    browser.events->BeforeNavigate2(QStringLiteral("javascript:void(0)"), false);
    EXPECT_EQ(tab->NavigationState(), TTabWindow::kStateLoaded);
    EXPECT_EQ(tab->NavigationInfo(), before);
    EXPECT_EQ(tab->GetRequestedUrl(), kTop);
}

TEST_F(TabWindowTest, AFrameCompletingLaterParsesThePageAgain)
{
    loadPage();
    owner.take();
    browser.events->BeforeNavigate2(QStringLiteral("http://127.0.0.1/later.html"), false);
    browser.events->DocumentEvent({ TDocumentEvent::ReadyState, 1, -1, {} });
    EXPECT_TRUE(tab->PendingUrls().isEmpty());
    browser.answerSnapshot();
    EXPECT_TRUE(owner.reports.contains("DocumentParsed"));
    EXPECT_EQ(tab->EventDocument(), 1);

    // While the top page itself is loading, a frame's completion is part of that load.
    browser.readyState = QStringLiteral("loading");
    browser.events->DocumentEvent({ TDocumentEvent::ReadyState, 1, -1, {} });
    EXPECT_TRUE(browser.snapshots.empty());
}

TEST_F(TabWindowTest, SnapshotOfAPageLeftBehindIsDroppedAndFailuresAreReported)
{
    browser.location = kTop;
    browser.events->BeforeNavigate2(kTop, true);
    browser.completePage(kTop);
    browser.events->BeforeNavigate2(QStringLiteral("http://127.0.0.1/next.html"), true);
    browser.answerSnapshot();
    EXPECT_FALSE(owner.reports.contains("DocumentParsed"));
    EXPECT_EQ(tab->GetDocumentModel(), nullptr);

    QSignalSpy failed(tab.get(), &TTabWindow::parseFailed);
    browser.completePage(QStringLiteral("http://127.0.0.1/next.html"));
    browser.failSnapshot(QStringLiteral("the page is gone"));
    EXPECT_EQ(failed.size(), 1);
    EXPECT_FALSE(tab->IsReady());
    EXPECT_TRUE(home.prompter().messages().value(0).contains("the page is gone"));

    browser.completePage(QStringLiteral("http://127.0.0.1/next.html"));
    TBrowserControl::SnapshotResult broken;
    broken.json = "{\"format\":1,\"documents\":";
    browser.snapshots.front()(broken);
    EXPECT_EQ(failed.size(), 2) << "a truncated snapshot builds no model";
}

TEST_F(TabWindowTest, NavigationStatesOfStopErrorAndReload)
{
    browser.events->BeforeNavigate2(kTop, true);
    tab->StopLoading();
    EXPECT_EQ(tab->NavigationState(), TTabWindow::kStateStopped);
    EXPECT_TRUE(tab->PendingUrls().isEmpty());
    browser.completePage(kTop);
    EXPECT_EQ(tab->NavigationState(), TTabWindow::kStateStopped) << "a parse keeps the stopped state";

    browser.events->BeforeNavigate2(kTop, true);
    browser.events->NavigateError(kTop);
    EXPECT_EQ(tab->NavigationState(), TTabWindow::kStateError);
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

TEST_F(TabWindowTest, DownloadsAreReportedOncePerNavigationWithTheirStatusLines)
{
    browser.events->BeforeNavigate2(QStringLiteral("http://127.0.0.1/file.csv"), true);
    browser.events->StatusTextChange(QStringLiteral("サイト 127.0.0.1 に接続しています..."));
    browser.events->StatusTextChange(QStringLiteral("サイト 127.0.0.1 に接続しています..."));
    browser.events->StatusTextChange(QStringLiteral("http://127.0.0.1/other.html"));
    owner.take();

    browser.events->FileDownload(QStringLiteral("http://127.0.0.1/file.csv"));
    browser.events->FileDownload(QStringLiteral("http://127.0.0.1/file.csv"));
    EXPECT_EQ(owner.take(), QStringList { "Download" });
    EXPECT_EQ(tab->NavigationState(), TTabWindow::kStateDownload);
    const TDownloadInfo info = tab->LastDownloadInfo();
    EXPECT_EQ(info.Url, "http://127.0.0.1/file.csv");
    EXPECT_EQ(info.Lines, QStringList { "サイト 127.0.0.1 に接続しています..." });

    browser.events->BeforeNavigate2(QStringLiteral("http://127.0.0.1/file2.csv"), true);
    EXPECT_EQ(tab->LastDownloadInfo().Url, QString()) << "a navigation starts empty records";
    browser.events->FileDownload(QStringLiteral("http://127.0.0.1/file2.csv"));
    EXPECT_TRUE(owner.take().contains("Download"));
}

struct PopupCase {
    const char* name;
    bool remote;
    int type;
    int viewAlert;
    int answerResult;
    int answerButton;
    int result;
    int button;
};

class PopupDecision : public TabWindowTest, public ::testing::WithParamInterface<PopupCase> {};

TEST_P(PopupDecision, DecidesWhetherTheBoxIsShown)
{
    const PopupCase c = GetParam();
    openProject(c.viewAlert);
    loadPage(c.remote ? QStringLiteral("http://127.0.0.2/page.html") : kTop);
    owner.popupOpen = [&] {
        tab->PopupInfo()->AnswerResult = c.answerResult;
        tab->PopupInfo()->AnswerButton = c.answerButton;
    };
    owner.take();
    const TMessageBoxAnswer answer = browser.events->ShowMessage(QStringLiteral("text"), QStringLiteral("caption"), c.type);
    EXPECT_EQ(answer.result, c.result);
    EXPECT_EQ(answer.button, c.button);
    EXPECT_EQ(tab->PopupInfo()->Result, c.result);
    EXPECT_EQ(tab->PopupInfo()->ResultButton, c.button);
    EXPECT_EQ(tab->PopupInfo()->MessageType, c.type);
    EXPECT_EQ(owner.take(), (QStringList { "PopupOpen", "PopupOpened" }));
}

INSTANTIATE_TEST_SUITE_P(MessageBoxes, PopupDecision, ::testing::Values(
    PopupCase { "LocalAlertHiddenByProject", false, 48, 0, -1, -1, 0, -1 },
    PopupCase { "LocalAlertShownByProject", false, 48, 1, -1, -1, 1, -1 },
    PopupCase { "LocalAlertAnswerWins", false, 48, 1, 0, -1, 0, -1 },
    PopupCase { "RemoteAlertAlwaysShown", true, 48, 0, 0, 1, 1, -1 },
    PopupCase { "LocalConfirmAnsweredCancel", false, 33, 1, 0, 2, 0, 2 },
    PopupCase { "LocalConfirmWithResultOnlyShown", false, 33, 1, 0, -1, 1, -1 },
    PopupCase { "RemoteConfirmShown", true, 33, 1, 0, 2, 1, -1 },
    PopupCase { "OtherBoxesShown", false, 64, 0, 0, 1, 1, -1 }),
    [](const auto& info) { return std::string(info.param.name); });

struct GestureCase {
    QPoint press;
    QPoint release;
    int code;
};

class Gestures : public ::testing::TestWithParam<GestureCase> {};

TEST_P(Gestures, OneDirectionOfMoreThanTwentyPixels)
{
    EXPECT_EQ(TTabWindow::GestureCode(GetParam().press, GetParam().release), GetParam().code);
}

INSTANTIATE_TEST_SUITE_P(RightButtonDrags, Gestures, ::testing::Values(
    GestureCase { { 100, 100 }, { 100, 70 }, 1 },   // up
    GestureCase { { 100, 100 }, { 100, 130 }, 2 },  // down
    GestureCase { { 100, 100 }, { 70, 100 }, 4 },   // left
    GestureCase { { 100, 100 }, { 130, 105 }, 8 },  // right
    GestureCase { { 100, 100 }, { 70, 70 }, 0 },    // up and left: two directions
    GestureCase { { 100, 100 }, { 120, 80 }, 0 })); // exactly 20 is no move

TEST_F(TabWindowTest, RightButtonGestureIsReportedAndHandled)
{
    tab->RightButtonDown({ 200, 200 });
    EXPECT_TRUE(tab->RightButtonUp({ 200, 160 }));
    tab->RightButtonDown({ 200, 200 });
    EXPECT_FALSE(tab->RightButtonUp({ 230, 230 }));
    EXPECT_EQ(owner.take(), QStringList { "Gesture:1" });
}

struct KeyCase {
    const char* name;
    int key;
    Qt::KeyboardModifiers modifiers;
    bool handled;
    const char* report;
};

class KeyTranslation : public TabWindowTest, public ::testing::WithParamInterface<KeyCase> {};

TEST_P(KeyTranslation, ShortcutsOfTheTab)
{
    const KeyCase c = GetParam();
    EXPECT_EQ(tab->KeyDown(c.key, c.modifiers), c.handled);
    EXPECT_EQ(owner.take().join(','), QString::fromLatin1(c.report));
}

INSTANTIATE_TEST_SUITE_P(Keys, KeyTranslation, ::testing::Values(
    KeyCase { "CtrlN", Qt::Key_N, Qt::ControlModifier, true, "Key:0" },
    KeyCase { "CtrlF", Qt::Key_F, Qt::ControlModifier, true, "Key:1" },
    KeyCase { "CtrlAltF", Qt::Key_F, Qt::ControlModifier | Qt::AltModifier, false, "" },
    KeyCase { "CtrlE", Qt::Key_E, Qt::ControlModifier, true, "Key:2" },
    KeyCase { "CtrlO", Qt::Key_O, Qt::ControlModifier, true, "Key:3" },
    KeyCase { "N", Qt::Key_N, Qt::NoModifier, false, "" },
    KeyCase { "F5", Qt::Key_F5, Qt::NoModifier, false, "" }),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(TabWindowTest, F5StartsNavigatingAndEscapeStops)
{
    loadPage();
    EXPECT_FALSE(tab->KeyDown(Qt::Key_F5, Qt::NoModifier));
    EXPECT_EQ(tab->NavigationState(), TTabWindow::kStateNavigating);
    EXPECT_FALSE(tab->KeyDown(Qt::Key_Escape, Qt::NoModifier));
    EXPECT_EQ(tab->NavigationState(), TTabWindow::kStateStopped);
    EXPECT_TRUE(browser.calls.contains("Stop"));

    TTabWindow::SetFileOpenKey(Qt::Key_P);
    EXPECT_TRUE(tab->KeyDown(Qt::Key_P, Qt::ControlModifier));
    EXPECT_FALSE(tab->KeyDown(Qt::Key_O, Qt::ControlModifier));
    TTabWindow::SetFileOpenKey(Qt::Key_O);
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

TEST_F(TabWindowTest, ScriptCloseEndsEveryReportAndResizeRespectsMaximised)
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

    browser.events->BeforeNavigate2(kTop, true);
    browser.events->TitleChange(QStringLiteral("after"));
    browser.events->StatusTextChange(QStringLiteral("after"));
    browser.completePage(kTop);
    tab->FormActivate();
    tab->FormActivate();
    tab->FormClose();
    EXPECT_TRUE(owner.reports.isEmpty()) << owner.reports.join(',').toStdString();
    EXPECT_TRUE(tab->isClosing()) << "the bus delivers nothing about the tab from now on";
}

TEST_F(TabWindowTest, ActivationFocusAndTitle)
{
    tab->FormActivate();
    EXPECT_TRUE(owner.take().isEmpty()) << "the first activation is not reported";
    tab->FormActivate();
    EXPECT_EQ(owner.take(), QStringList { "Activate" });

    browser.events->TitleChange(QStringLiteral("A title longer than fifteen"));
    EXPECT_EQ(frame.caption, "A title longer than fifteen");
    EXPECT_EQ(tab->GetTabCaption(), "A title longer ");

    tab->RequestActivate();
    QTest::qWait(150);
    EXPECT_EQ(browser.calls.count("FocusPage"), 1);
    EXPECT_EQ(TTabWindow::LastActivated(), tab.get());
    browser.events->DocumentEvent({ TDocumentEvent::FocusOut, 0, -1, {} });
    EXPECT_EQ(TTabWindow::LastActivated(), nullptr);
    tab->PointerMoved();
    EXPECT_EQ(browser.calls.count("FocusPage"), 2);
    frame.mayActivate = false;
    browser.events->DocumentEvent({ TDocumentEvent::FocusOut, 0, -1, {} });
    tab->PointerMoved();
    EXPECT_EQ(browser.calls.count("FocusPage"), 2) << "the address box keeps its focus";
}

TEST_F(TabWindowTest, SentTextMovesTheFocusOnlyWhenAValueChanged)
{
    loadPage();
    tab->SendTextToFocusedInput(QStringLiteral("abc"), 1);
    QTest::qWait(30);
    EXPECT_TRUE(browser.calls.filter("AppendText").isEmpty()) << "no element is active";

    browser.events->DocumentEvent({ TDocumentEvent::FocusIn, 0, 5, {} });
    tab->SendTextToFocusedInput(QStringLiteral("abc"), -1);
    QTest::qWait(30);
    EXPECT_EQ(browser.calls.filter(QRegularExpression("AppendText|Tab")), (QStringList { "AppendText 5 abc", "ShiftTab" }));

    browser.calls.clear();
    browser.appendChanges = false; // a read-only field
    tab->SendTextToFocusedInput(QStringLiteral("abc"), 1);
    QTest::qWait(30);
    EXPECT_EQ(browser.calls, QStringList { "AppendText 5 abc" });
}

TEST_F(TabWindowTest, TextSizesMapOntoZoomAndBack)
{
    for (int size = 0; size < 5; ++size) {
        tab->SetTextSize(size);
        EXPECT_EQ(tab->TextSize(), size);
    }
    tab->SetTextSize(1);
    const qreal before = browser.zoom;
    tab->SetTextSize(7);
    EXPECT_EQ(browser.zoom, before) << "sizes outside 0..4 change nothing";
    EXPECT_LT(before, 1.0);
}

}
