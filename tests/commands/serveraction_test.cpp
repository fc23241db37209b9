#include "commands/serveraction.h"
#include "core/appcontext.h"
#include "core/commandlist.h"
#include "core/eventbus.h"
#include "core/projectdocument.h"
#include "support/testhome.h"

#include <QAction>

#include <gtest/gtest.h>

namespace {

// Choosing the project's proxy when the project names none (or no usable one) keeps the
// direct connection and tells the user why, instead of silently checking the other item.
TEST(ServerActionTest, ConnectingWithoutAUsableProxyIsReported)
{
    struct Row { const char* name; const char* address; const char* port; bool connects; };
    for (const Row& row : { Row { "no address", "", "", false }, Row { "bad port", "127.0.0.1", "0", false },
                            Row { "usable", "127.0.0.1", "3128", true } }) {
        TTestHome home;
        BuildCommandCatalogue(App().commands());
        auto project = TXMLProjectType::NewProjectDocument();
        project->ApplyNewProjectValues("P", home.path());
        project->SetProxyServer(1);
        project->SetProxyServerAddress(QString::fromLatin1(row.address));
        project->SetProxyServerPort(QString::fromLatin1(row.port));
        App().setCurrentProject(std::move(project));
        App().bus().AddListener(std::make_unique<TServerAction>());
        App().bus().NotifyProjectOpened(0);

        App().commands().action(QStringLiteral("ActionServerProxyConnect"))->trigger();
        const QAction* checked = App().commands().action(row.connects ? QStringLiteral("ActionServerProxyConnect")
                                                                      : QStringLiteral("ActionServerProxyDisconnect"));
        EXPECT_TRUE(checked->isChecked()) << row.name;
        EXPECT_EQ(CurrentProxyChoice().mode, row.connects ? TProxyChoice::Project : TProxyChoice::Direct) << row.name;
        EXPECT_EQ(home.prompter().messages().size(), row.connects ? 0 : 1) << row.name;
        ApplyProxyChoice(TProxyChoice());
    }
}

}
