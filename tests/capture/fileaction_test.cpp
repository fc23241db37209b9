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

// Printing is checked on the real engine.
class NoPrinter : public TPagePrinter {
public:
    void PageSetup() override {}
    void Print(TTabView&) override {}
    void PrintPreview(TTabView&) override {}
};

class FileActionTest : public ::testing::Test {
protected:
    FileActionTest()
    {
        if (!App().commands().action(QStringLiteral("ActionFileOpen")))
            BuildCommandCatalogue(App().commands());
        auto owned = std::make_unique<TFileAction>(std::make_unique<NoPrinter>());
        file = owned.get();
        App().bus().AddListener(std::move(owned));
    }

    QAction* command(const char* name) { return App().commands().action(QString::fromLatin1(name)); }

    TTestHome home;
    TFakeTabs tabs;
    TFileAction* file = nullptr;
};

TEST_F(FileActionTest, SaveAsChoosesTheFormatByTheFileNameAndReportsFailures)
{
    struct Case {
        const char* name;
        const char* file;
        QString error;
        const char* call; // what the tab was asked, "" for nothing
    };
    const Case cases[] = {
        { "WebArchiveLongSuffix", "p.MHTML", QString(), "Save:%1:1" },
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

} // namespace
