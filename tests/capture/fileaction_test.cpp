#include "capture/fileaction.h"
#include "core/appcontext.h"
#include "core/commandlist.h"
#include "core/eventbus.h"
#include "support/faketabs.h"
#include "support/testhome.h"

#include <QAction>
#include <QSignalSpy>

#include <gtest/gtest.h>

namespace {

class RecordingPrinter : public TPagePrinter {
public:
    explicit RecordingPrinter(QStringList& calls) : m_calls(calls) {}
    void PageSetup() override { m_calls << QStringLiteral("setup"); }
    void Print(TTabView& tab) override { m_calls << QStringLiteral("print:%1").arg(tab.TabId()); }
    void PrintPreview(TTabView& tab) override { m_calls << QStringLiteral("preview:%1").arg(tab.TabId()); }

private:
    QStringList& m_calls;
};

class FileActionTest : public ::testing::Test {
protected:
    FileActionTest()
    {
        if (!App().commands().action(QStringLiteral("ActionFileOpen")))
            BuildCommandCatalogue(App().commands());
        auto owned = std::make_unique<TFileAction>(std::make_unique<RecordingPrinter>(printed));
        file = owned.get();
        App().bus().AddListener(std::move(owned));
    }

    QAction* command(const char* name) { return App().commands().action(QString::fromLatin1(name)); }
    // The enabled file commands, in the menu's order, as "O A U P V" letters.
    QString enabled()
    {
        QString result;
        const std::pair<const char*, char> commands[] = { { "ActionFileOpen", 'O' }, { "ActionFileSaveAs", 'A' },
                                                          { "ActionFileConfig", 'U' }, { "ActionFilePrint", 'P' },
                                                          { "ActionFilePrintPreview", 'V' } };
        for (const auto& [name, letter] : commands)
            result += command(name)->isEnabled() ? QLatin1Char(letter) : QLatin1Char('-');
        return result;
    }

    TTestHome home;
    TFakeTabs tabs;
    QStringList printed;
    TFileAction* file = nullptr;
};

TEST_F(FileActionTest, EnableRules)
{
    struct Case {
        const char* name;
        bool tab;
        int state;
        bool html, canSave;
        TEvent event;
        const char* expected;
    };
    const Case cases[] = {
        { "AddedTabOffersOpenOnly", true, 2, true, true, TEvent::TabWindowAdded, "O----" },
        { "CompletedHtmlPageOffersEverything", true, 2, true, true, TEvent::BrowserDocumentCompleted, "OAUPV" },
        { "PageTheEngineCannotSaveKeepsPrinting", true, 2, true, false, TEvent::BrowserDocumentCompleted, "O-UPV" },
        { "CompletedNonHtmlPageSavesButDoesNotPrint", true, 2, false, true, TEvent::BrowserDocumentCompleted, "OA---" },
        { "ActivatedLoadedTab", true, 2, true, true, TEvent::TabWindowActivated, "OAUPV" },
        { "ActivatedTabStillNavigating", true, 1, true, true, TEvent::TabWindowActivated, "-----" },
        { "ActivatedNewTab", true, 0, false, false, TEvent::TabWindowActivated, "-----" },
        { "LastTabClosed", false, 0, false, false, TEvent::TabWindowWasNothing, "-----" },
        { "ProjectClosed", true, 2, true, true, TEvent::ProjectClosed, "-----" },
        { "ProjectOpened", true, 2, true, true, TEvent::ProjectOpened, "-----" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // Every command on first, so each event has something to switch off.
        TFakeTab& all = tabs.add(9);
        all.navigationState = 2;
        all.html = all.canSave = true;
        App().bus().NotifyBrowserDocumentCompleted(9);
        ASSERT_EQ(enabled(), QStringLiteral("OAUPV"));
        if (c.tab) {
            TFakeTab& tab = tabs.add(1);
            tab.navigationState = c.state;
            tab.html = c.html;
            tab.canSave = c.canSave;
        } else {
            tabs.current = 0;
        }
        App().bus().notify(c.event, 1);
        EXPECT_EQ(enabled(), QString::fromLatin1(c.expected));
    }
}

TEST_F(FileActionTest, SaveAsChoosesTheFormatByTheFileNameAndReportsFailures)
{
    struct Case {
        const char* name;
        const char* file;
        QString error;
        const char* call; // what the tab was asked, "" for nothing
    };
    const Case cases[] = {
        { "WebArchive", "p.mht", QString(), "Save:%1:1" },
        { "WebArchiveLongSuffix", "p.MHTML", QString(), "Save:%1:1" },
        { "CompletePage", "p.htm", QString(), "Save:%1:0" },
        { "FailedSaveIsReported", "p.html", QStringLiteral("disk full"), "Save:%1:0" },
        { "Cancelled", "", QString(), "" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TFakeTab& tab = tabs.add(1);
        tab.navigationState = 2;
        tab.canSave = true;
        tab.title = QStringLiteral("a/b: title");
        tab.saveError = c.error;
        App().bus().NotifyBrowserDocumentCompleted(1);
        const QString path = *c.file ? home.file(QString::fromLatin1(c.file)) : QString();
        home.prompter().files.push_back(path);
        QSignalSpy saved(file, &TFileAction::pageSaved);
        const size_t asked = home.prompter().asked.size();
        command("ActionFileSaveAs")->trigger();
        ASSERT_GT(home.prompter().asked.size(), asked);
        EXPECT_EQ(home.prompter().asked.at(asked).kind, QStringLiteral("save"));
        EXPECT_EQ(home.prompter().asked.at(asked).request.fileName, QStringLiteral("a_b_ title.htm"));
        if (!*c.call) {
            EXPECT_TRUE(tab.calls.isEmpty());
            EXPECT_EQ(saved.count(), 0);
            continue;
        }
        EXPECT_EQ(tab.calls, QStringList { QString::fromLatin1(c.call).arg(path) });
        ASSERT_EQ(saved.count(), 1);
        EXPECT_EQ(saved.at(0).at(1).toString(), c.error);
    }
}

TEST_F(FileActionTest, PrintingGoesToThePrinterOnlyForHtmlPages)
{
    TFakeTab& tab = tabs.add(3);
    tab.navigationState = 2;
    tab.html = true;
    App().bus().NotifyBrowserDocumentCompleted(3);
    command("ActionFileConfig")->trigger();
    command("ActionFilePrint")->trigger();
    command("ActionFilePrintPreview")->trigger();
    EXPECT_EQ(printed, (QStringList { "setup", "print:3", "preview:3" }));
}

} // namespace
