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
