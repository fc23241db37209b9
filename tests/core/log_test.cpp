#include "core/appcontext.h"
#include "core/log.h"
#include "core/memo.h"
#include "core/tickcount.h"
#include "core/projectdocument.h"
#include "support/testhome.h"

#include <gtest/gtest.h>

TEST(OperationLog, InfoLinesCarryTheSignedTickCount)
{
    TTestHome home;
    SetTickCountSource([] { return 0x80000001u; });
    LogInfo("hello");
    EXPECT_EQ(App().operationLog().lines(), QStringList({ "-2147483647: hello" }));
}

TEST(OperationLog, WarningsFollowTheProjectSwitchAndErrorsAreAlwaysLoggedAndShown)
{
    TTestHome home;
    SetTickCountSource([] { return 5u; });
    LogWarn("no project");
    auto project = TXMLProjectType::NewProjectDocument();
    project->ApplyNewProjectValues("P", home.path());
    App().setCurrentProject(std::move(project));
    LogWarn("switch off");
    EXPECT_EQ(App().operationLog().lineCount(), 0);

    LogError("file save error: /x");
    EXPECT_EQ(App().operationLog().lines(), QStringList({ "5: [ERROR] file save error: /x" }));
    ASSERT_EQ(home.prompter().asked.size(), 1u);
    EXPECT_EQ(home.prompter().asked[0].text, QString("file save error: /x"));
    EXPECT_EQ(home.prompter().asked[0].icon, TPrompter::Icon::Error);

    App().currentProject()->SetOutputWarning(1);
    LogWarn("Download warning:boom");
    EXPECT_EQ(App().operationLog().lines().last(), QString("5: [WARN] Download warning:boom"));
    EXPECT_EQ(home.prompter().asked.size(), 1u) << "warnings are not shown";
}

// Only a switch that reads as 1 lets warnings through; a project file edited by hand may
// lack it or hold anything.
TEST(OperationLog, WarningsNeedAReadableSwitchThatIsOn)
{
    const struct {
        const char* name;
        const char* text; // nullptr: the element is missing
        bool written;
    } rows[] = {
        { "missing", nullptr, false }, { "empty", "", false }, { "not a number", "yes", false },
        { "off", "0", false },         { "other number", "2", false }, { "on", "1", true },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        TTestHome home;
        auto project = TXMLProjectType::NewProjectDocument();
        project->ApplyNewProjectValues("P", home.path());
        if (row.text)
            project->root().child("OutputWarning").text().set(row.text);
        else
            project->root().remove_child("OutputWarning");
        App().setCurrentProject(std::move(project));
        LogWarn("Translate warning:x");
        EXPECT_EQ(App().operationLog().lineCount(), row.written ? 1 : 0);
        EXPECT_TRUE(home.prompter().asked.empty());
    }
}
