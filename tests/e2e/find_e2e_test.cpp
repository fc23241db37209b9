#include "enginetab.h"

#include "browser/tabaction.h"
#include "capture/findaction.h"
#include "core/commandlist.h"

#include <QSignalSpy>

#include <memory>

namespace {

// The main window with the tab and find controllers on the real engine.
class FindE2E : public TEngineWindowSuite {
protected:
    static void SetUpTestSuite()
    {
        TEngineSuite::SetUpTestSuite();
        s_server->addPage(QStringLiteral("/words.html"),
                          "<html><body><p id=p>alpha beta alpha gamma alpha</p><p id=q>cat concat cat</p></body></html>");
        s_server->addPage(QStringLiteral("/frames.html"),
                          "<html><frameset cols='50%,50%'><frame src='/f1.html'><frame src='/f2.html'></frameset></html>");
        s_server->addPage(QStringLiteral("/f1.html"), "<html><body><p>first frame only</p></body></html>");
        s_server->addPage(QStringLiteral("/f2.html"), "<html><body><p>second has the needle</p></body></html>");
        // A page that replaces what a search in it might call.
        s_server->addPage(QStringLiteral("/replaced.html"),
                          "<html><body><p id=p>alpha beta gamma</p><script>"
                          "window.find = function () { return false; }; window.eval = function () { return ''; };"
                          "JSON.stringify = function () { return '\"fake\"'; };"
                          "window.getSelection = function () { return null; };"
                          "</script></body></html>");
    }

    FindE2E()
    {
        auto action = std::make_unique<TFindAction>();
        find = action.get();
        App().bus().AddListener(std::move(action));
    }

    bool go(const QString& path)
    {
        return TEngineWindowSuite::go(path) && WaitUntil([&] { return Command("ActionFindButton")->isEnabled(); });
    }
    // The text the search that `start` begins finds.
    QString found(const std::function<void()>& start)
    {
        QSignalSpy searched(find, &TFindAction::searched);
        start();
        return WaitUntil([&] { return searched.count() > 0; }) ? searched.at(0).at(0).toString() : QStringLiteral("timeout");
    }
    // Presses the search button with the find box's text (the dialog's next search).
    QString press(const QString& box)
    {
        find->SetFindBoxText(box);
        return found([&] { Command("ActionFindButton")->trigger(); });
    }
    QString next(const QString& text, bool down, bool wholeWord)
    {
        return found([&] { find->FindNext(text, down, wholeWord, false); });
    }
    // Where the page's selection is: "<element id>:<offset>:<text>".
    QString selection()
    {
        return run(QStringLiteral("(function(){var s=getSelection(); if(!s.rangeCount) return 'none';"
                                  "var r=s.getRangeAt(0); return r.startContainer.parentNode.id+':'+r.startOffset+':'+s;})()"))
            .toString();
    }

    TFindAction* find = nullptr;
};

TEST_F(FindE2E, SuccessivePressesWalkTheMatchesOfAPageAndTheFramesOfAFrameset)
{
    ASSERT_TRUE(go(QStringLiteral("/words.html")));
    run(QStringLiteral("getSelection().removeAllRanges()"));
    EXPECT_EQ(press(QString()), QString());
    EXPECT_EQ(find->FindBoxText(), QString());
    EXPECT_TRUE(find->History().isEmpty());

    // "cat" selected at the start of the second paragraph: the next one is found.
    run(QStringLiteral("var r=document.createRange(); var t=document.getElementById('q').firstChild;"
                       "r.setStart(t,0); r.setEnd(t,3); getSelection().removeAllRanges(); getSelection().addRange(r);"));
    EXPECT_EQ(press(QString()), QStringLiteral("cat"));
    EXPECT_EQ(find->FindBoxText(), QStringLiteral("cat"));
    EXPECT_EQ(find->History().value(0), QStringLiteral("cat"));

    struct Step {
        const char* box;
        const char* found;
        const char* selection;
    };
    const Step steps[] = {
        { "alpha", "alpha", "p:0:alpha" },
        { "alpha", "alpha", "p:11:alpha" },
        { "alpha", "alpha", "p:23:alpha" },
        { "alpha", "", "p:23:alpha" }, // after the last match: nothing, the match stays selected
        { "alpha", "alpha", "p:0:alpha" },
        { "beta", "beta", "p:6:beta" }, // a new text starts at the beginning again
        { "alpha", "alpha", "p:0:alpha" },
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.selection);
        EXPECT_EQ(press(QString::fromLatin1(s.box)), QString::fromLatin1(s.found));
        EXPECT_EQ(selection(), QString::fromLatin1(s.selection));
    }
    EXPECT_EQ(find->History(), (QStringList { "alpha", "beta", "cat" })) << "a text searched again moves to the top";

    // A frameset page is searched one frame after the other.
    ASSERT_TRUE(go(QStringLiteral("/frames.html")));
    EXPECT_EQ(press(QStringLiteral("needle")), QString()) << "the first frame has no match";
    EXPECT_EQ(find->FrameIndex(), 1);
    EXPECT_EQ(press(QStringLiteral("needle")), QStringLiteral("needle"));

    // A page that replaces find, getSelection, eval and JSON is searched all the same.
    ASSERT_TRUE(go(QStringLiteral("/replaced.html")));
    EXPECT_EQ(press(QStringLiteral("beta")), QStringLiteral("beta"));
    EXPECT_EQ(run(QStringLiteral("String(document.getSelection())")).toString(), QStringLiteral("beta"));
}

// The dialog's own direction and whole-word choice, then the browser's own find, which
// counts the matches in the status bar instead of showing the dialog.
TEST_F(FindE2E, DialogDirectionWholeWordsAndTheBrowsersOwnFind)
{
    ASSERT_TRUE(go(QStringLiteral("/words.html")));
    EXPECT_EQ(next(QStringLiteral("alpha"), false, false), QStringLiteral("alpha"));
    EXPECT_EQ(selection(), QStringLiteral("p:23:alpha")) << "searching up starts at the end";
    EXPECT_EQ(next(QStringLiteral("alpha"), false, false), QStringLiteral("alpha"));
    EXPECT_EQ(selection(), QStringLiteral("p:11:alpha"));

    EXPECT_EQ(next(QStringLiteral("cat"), true, true), QStringLiteral("cat"));
    EXPECT_EQ(selection(), QStringLiteral("q:0:cat"));
    EXPECT_EQ(next(QStringLiteral("cat"), true, true), QStringLiteral("cat"));
    EXPECT_EQ(selection(), QStringLiteral("q:11:cat")) << "the cat inside concat is no whole word";
    EXPECT_EQ(find->FindFlags(), 2);
    EXPECT_EQ(find->Direction(), 1);

    QAction* own = Command("ActionFindDialogIE");
    own->trigger();
    EXPECT_TRUE(own->isChecked());
    QSignalSpy status(find, &TFindAction::statusText);
    QSignalSpy dialog(find, &TFindAction::showFindDialog);
    find->SetFindBoxText(QStringLiteral("alpha"));
    Command("ActionFind")->trigger();
    ASSERT_TRUE(WaitUntil([&] { return status.count() > 0; }));
    EXPECT_EQ(status.at(0).at(0).toString(), QStringLiteral("「alpha」: 3 件"));
    EXPECT_EQ(dialog.count(), 0);
}

} // namespace
