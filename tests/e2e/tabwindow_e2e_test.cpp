#include "enginetab.h"

#include "browser/engine/enginebrowser.h"
#include "browser/engine/enginepagechannel.h"
#include "core/memo.h"
#include "document/calverdinedocument.h"
#include "document/tagtree.h"

#include <QTest>

namespace {

class TabWindowE2E : public TEngineSuite {
protected:
    TTestHome home;
};

TEST_F(TabWindowE2E, FramesetWithThreeFramesIsParsedOnce)
{
    s_server->addPage(QStringLiteral("/fs/top.html"),
                      "<html><frameset cols=\"150,*,100\"><frame name=menu src=menu.html>"
                      "<frame name=main src=main.html><frame name=foot src=foot.html></frameset></html>");
    s_server->addPage(QStringLiteral("/fs/menu.html"), "<html><body><a href=main.html>main</a></body></html>");
    s_server->addPage(QStringLiteral("/fs/main.html"),
                      "<html><body><form name=login><input name=user value=u1>"
                      "<input type=radio name=sex value=m checked><input type=radio name=sex value=f>"
                      "</form></body></html>");
    s_server->addPage(QStringLiteral("/fs/foot.html"), "<html><body>foot</body></html>");

    TEngineTab tab(*s_profile);
    ASSERT_TRUE(tab.load(s_server->urlText(QStringLiteral("/fs/top.html"))));
    Pause(300);
    EXPECT_EQ(tab.parseCount(), 1);
    EXPECT_EQ(tab.owner().count(QStringLiteral("DocumentParsed")), 1);
    EXPECT_EQ(tab.owner().count(QStringLiteral("BeforeNavigate")), 4); // the page and its three frames
    EXPECT_TRUE(tab.tab().PendingUrls().isEmpty());
    EXPECT_FALSE(tab.tab().Busy());
    EXPECT_EQ(tab.tab().NavigationState(), TTabWindow::kStateLoaded);
    // The engine has no status texts of its own: connecting and page-done are made up.
    const QStringList status = tab.owner().matching(QStringLiteral("StatusText"));
    EXPECT_TRUE(status.contains(QStringLiteral("StatusText:1:サイト 127.0.0.1 に接続しています..."))) << status.join('\n').toStdString();
    EXPECT_EQ(status.last(), QStringLiteral("StatusText:1:ページが表示されました"));

    // Every tag path of a served frameset is checked through the command line's inspect.
    EXPECT_NE(tab.tab().GetDocumentModel(), nullptr);
    EXPECT_TRUE(tab.failures().isEmpty()) << tab.failures().join('\n').toStdString();
}

// A page whose answer is over a megabyte is read on a worker thread: the status bar shows
// the progress, then the page-done text again, and the model is the whole page.
TEST_F(TabWindowE2E, ABigPageIsReadAsideWithItsProgressInTheStatusBar)
{
    QByteArray html = "<!DOCTYPE html><html><body>";
    for (int f = 0; f < 150; ++f) {
        html += "<form name=f" + QByteArray::number(f) + ">";
        for (int i = 0; i < 100; ++i)
            html += "<input name=field" + QByteArray::number(i) + " value='value " + QByteArray::number(f) + ' '
                    + QByteArray::number(i) + " with some text'>";
        html += "</form>";
    }
    s_server->addPage(QStringLiteral("/big.html"), html + "</body></html>");

    TEngineTab tab(*s_profile);
    TCalverdineDocument* model = tab.open(s_server->urlText(QStringLiteral("/big.html")), 120000);
    ASSERT_NE(model, nullptr) << tab.failures().join('\n').toStdString();
    EXPECT_EQ(model->FormParts().count(), 15000);
    EXPECT_EQ(model->GetValue(QStringLiteral("//f149/field99")), "value 149 99 with some text");
    const QStringList status = tab.owner().matching(QStringLiteral("StatusText"));
    EXPECT_TRUE(status.contains("StatusText:1:" + TTabWindow::ParseProgressText(0))) << status.join('\n').toStdString();
    EXPECT_TRUE(status.contains("StatusText:1:" + TTabWindow::ParseProgressText(100))) << status.join('\n').toStdString();
    EXPECT_EQ(status.last(), QStringLiteral("StatusText:1:ページが表示されました"));
    EXPECT_TRUE(tab.failures().isEmpty()) << tab.failures().join('\n').toStdString();
}

TEST_F(TabWindowE2E, ACrossOriginFrameIsLoggedAndALaterFrameLoadReparses)
{
    UseNewProject(home.path(), [](TXMLProjectType& project) { project.SetOutputWarning(1); });
    s_server->addPage(QStringLiteral("/if/inner.html"), "<html><body><form name=f><input name=q value=1></form></body></html>");
    s_server->addPage(QStringLiteral("/if/later.html"), "<html><body><form name=g><input name=r value=2></form></body></html>");
    s_server->addPage(QStringLiteral("/if/top.html"),
                      "<html><body><form name=top><input name=t value=0></form>"
                      "<iframe name=same src=inner.html></iframe>"
                      "<iframe name=other src=\"" + s_server->urlText(QStringLiteral("/if/inner.html"), true).toUtf8()
                          + "\"></iframe></body></html>");

    TEngineTab tab(*s_profile);
    TCalverdineDocument* model = tab.open(s_server->urlText(QStringLiteral("/if/top.html")));
    ASSERT_NE(model, nullptr);
    // What the model keeps of a frame of another origin is checked with the hostile pages.
    EXPECT_EQ(model->GetValue(QStringLiteral("//same/f/q")), "1");
    EXPECT_TRUE(App().operationLog().text().contains(QStringLiteral("[WARN] IFRAME can not access: other -> ")))
        << App().operationLog().text().toStdString();

    // The frame navigates after the page completed: the whole page is parsed again.
    const int parsed = tab.parseCount();
    tab.run(QStringLiteral("frames[0].location.href = 'later.html'; 1"));
    ASSERT_TRUE(tab.waitForParse(parsed));
    model = tab.tab().GetDocumentModel();
    ASSERT_NE(model, nullptr);
    EXPECT_EQ(model->GetValue(QStringLiteral("//same/g/r")), "2");
    EXPECT_EQ(model->GetValue(QStringLiteral("//top/t")), "0");
    EXPECT_TRUE(tab.tab().PendingUrls().isEmpty());

    // So does the frame of another origin, whose events reach the top page as messages.
    const int parsedAgain = tab.parseCount();
    tab.run(QStringLiteral("frames[1].location.href = '%1'; 1").arg(s_server->urlText(QStringLiteral("/if/later.html"), true)));
    EXPECT_TRUE(tab.waitForParse(parsedAgain));
}

TEST_F(TabWindowE2E, KeysAndRightButtonDragsInThePageReachTheTabAndABlankPageIsAnnounced)
{
    s_server->addPage(QStringLiteral("/keys/page.html"), "<html><body>keys</body></html>");
    TEngineTab tab(*s_profile);
    ASSERT_TRUE(tab.load(s_server->urlText(QStringLiteral("/keys/page.html"))));
    QWidget* page = tab.browser()->focusProxy();
    ASSERT_NE(page, nullptr);
    tab.owner().reports.clear();

    QTest::keyClick(page, Qt::Key_N, Qt::ControlModifier);
    QTest::keyClick(page, Qt::Key_E, Qt::ControlModifier);
    QTest::mousePress(page, Qt::RightButton, {}, QPoint(300, 300));
    QTest::mouseRelease(page, Qt::RightButton, {}, QPoint(300, 250));
    EXPECT_EQ(tab.owner().reports, (QStringList { "KeyCommand:1:0", "KeyCommand:1:2", "Gesture:1:1" }));

    // F5 is left to the page's host, which loads the page again.
    const int parsed = tab.parseCount();
    QTest::keyClick(page, Qt::Key_F5);
    EXPECT_TRUE(tab.waitForParse(parsed));
    EXPECT_EQ(s_server->requestCount(QStringLiteral("/keys/page.html")), 2);

    // about:blank is announced once, before it completes, with the tab's requested address.
    tab.owner().reports.clear();
    tab.tab().Navigate(QStringLiteral("about:blank"));
    ASSERT_TRUE(WaitUntil([&] { return tab.owner().count(QStringLiteral("NavigateComplete:1:about:blank")) > 0; }));
    EXPECT_EQ(tab.owner().matching(QStringLiteral("BeforeNavigate")),
              QStringList { QStringLiteral("BeforeNavigate:1:about:blank") });
    EXPECT_LT(tab.owner().reports.indexOf(QStringLiteral("BeforeNavigate:1:about:blank")),
              tab.owner().reports.indexOf(QStringLiteral("NavigateComplete:1:about:blank")));
    EXPECT_EQ(tab.tab().GetRequestedUrl(), QStringLiteral("about:blank"));
}

// Writes, clicks, resets, submits and sent text reach the page, in one round trip per parse,
// write batch and refresh.
TEST_F(TabWindowE2E, WritesClicksResetsSubmitsAndSentTextReachThePageInFewRoundTrips)
{
    QByteArray fields;
    for (int i = 0; i < 50; ++i)
        fields += "<input name=f" + QByteArray::number(i) + " value=v" + QByteArray::number(i) + ">";
    s_server->addPage(QStringLiteral("/st/page.html"),
                      "<html><body><form name=f action=done.html><input name=a value=x><input name=b value=y readonly>"
                      "<textarea name=c>z</textarea><input name=q value=start>"
                      "<input type=button name=p value=Press onclick=\"window.pressed = (window.pressed || 0) + 1\">"
                      + fields + "</form><script>window.changes = 0;"
                      "document.addEventListener('change', function () { changes++; });</script></body></html>");
    s_server->addPage(QStringLiteral("/st/done.html"), "<html><body>done</body></html>");
    TEngineTab tab(*s_profile);
    ASSERT_TRUE(tab.load(s_server->urlText(QStringLiteral("/st/page.html"))));
    TEnginePageChannel* channel = tab.browser()->channel();
    EXPECT_EQ(channel->roundTrips(), 1);
    const auto value = [&](const char* field) { return tab.run(QStringLiteral("document.forms[0].%1.value").arg(field)).toString(); };

    TCalverdineDocument* model = tab.tab().GetDocumentModel();
    ASSERT_NE(model, nullptr);
    for (int i = 0; i < 50; ++i)
        model->SetValue(QStringLiteral("//f/f%1").arg(i), QStringLiteral("new%1").arg(i));
    model->flushWrites();
    EXPECT_EQ(channel->roundTrips(), 2);
    EXPECT_EQ(model->GetValue(QStringLiteral("//f/f7")), "new7");
    EXPECT_EQ(tab.run(QStringLiteral("document.forms[0].f7.value + ' ' + changes")).toString(), "new7 50");

    tab.run(QStringLiteral("document.forms[0].c.value = 'typed'; 1"));
    bool refreshed = false;
    channel->refreshValues([&](const QByteArray& json, const QString& error) {
        ASSERT_TRUE(error.isEmpty()) << error.toStdString();
        model->applyRefresh(json);
        refreshed = true;
    });
    ASSERT_TRUE(WaitUntil([&] { return refreshed; }));
    EXPECT_EQ(channel->roundTrips(), 3);
    EXPECT_EQ(model->GetValue(QStringLiteral("//f/c")), "typed");

    // Code for a document the page does not have, or that throws, is answered with an error.
    QStringList errors(2);
    int answers = 0;
    channel->evaluate(7, QStringLiteral("1"), [&](const QString&, const QString& error) { errors[0] = error, ++answers; });
    channel->evaluate(0, QStringLiteral("undefinedName.x"), [&](const QString&, const QString& error) { errors[1] = error, ++answers; });
    ASSERT_TRUE(WaitUntil([&] { return answers == 2; }));
    EXPECT_FALSE(errors[0].isEmpty()) << "no such document";
    EXPECT_TRUE(errors[1].contains("undefinedName")) << errors[1].toStdString();

    // Sent text goes into the focused field, and Tab moves the focus to the next one.
    tab.browser()->setFocus();
    tab.run(QStringLiteral("document.forms[0].a.focus(); 1"));
    ASSERT_TRUE(WaitUntil([&] { return tab.tab().ActiveElement() >= 0; }, 5000)) << "the page reports the focused field";
    tab.tab().SendTextToFocusedInput(QStringLiteral("123"), 1);
    ASSERT_TRUE(WaitUntil([&] { return value("a") == "x123"; }, 5000));
    EXPECT_TRUE(WaitUntil([&] { return tab.run(QStringLiteral("document.activeElement.name")).toString() == "b"; }, 5000));

    // A read-only field keeps its value and the focus stays.
    ASSERT_TRUE(WaitUntil([&] { return tab.tab().EditFocus(); }, 5000));
    tab.tab().SendTextToFocusedInput(QStringLiteral("!"), 1);
    Pause(300);
    EXPECT_EQ(value("b"), "y");
    EXPECT_EQ(tab.run(QStringLiteral("document.activeElement.name")).toString(), "b");

    // Clicks, values, resets and submits through the model.
    ASSERT_NE(model->Buttons().find(QStringLiteral("f.p")), nullptr);
    model->Buttons().find(QStringLiteral("f.p"))->Click();
    model->SetValue(QStringLiteral("//f/q"), QStringLiteral("changed"));
    model->flushWrites();
    ASSERT_TRUE(WaitUntil([&] { return tab.run(QStringLiteral("window.pressed")).toInt() == 1; }, 5000));
    EXPECT_EQ(value("q"), "changed");

    model->RootFrame()->Forms()[0]->Reset();
    model->flushWrites();
    ASSERT_TRUE(WaitUntil([&] { return value("q") == "start" && value("a") == "x" && value("f7") == "v7"; }, 5000));

    const int parsed = tab.parseCount();
    model->RootFrame()->Forms()[0]->Submit();
    model->flushWrites();
    ASSERT_TRUE(tab.waitForParse(parsed));
    EXPECT_TRUE(tab.tab().GetUrl().contains(QStringLiteral("/st/done.html?a=x&b=y&c=z&q=start&f0=v0"))) << tab.tab().GetUrl().toStdString();
}

}
