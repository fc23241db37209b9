#include "app/views/controllers.h"
#include "core/appcontext.h"
#include "core/eventbus.h"
#include "core/inifile.h"
#include "core/views/mainform.h"
#include "core/projectdocument.h"

#include "support/testhome.h"

#include <QFile>

#include <gtest/gtest.h>

TEST(MainWindowControllers, ListenInTheirFixedOrderWithTheWindowsOwnLast)
{
    TTestHome home;
    TMainForm form;
    form.FormCreate(CreateControllers);
    QStringList names;
    for (int i = 0; i < App().bus().ListenerCount(); ++i) {
        const TActionCalverdine* listener = App().bus().ListenerAt(i);
        names << (listener->objectName().isEmpty() ? QString::fromLatin1(listener->metaObject()->className())
                                                   : listener->objectName());
    }
    EXPECT_EQ(names, QStringList({ "TMainAction", "TViewAction", "TTabAction", "TFavoriteAction", "THistoryAction",
                                   "TAddressAction", "TFindAction", "TFormAction", "TDataAction", "TFileAction",
                                   "TEditAction", "TJSAction", "TCaptureAction", "TTestAction", "THelpAction",
                                   "TPageControlAction", "ServerAction", "TMainFormAction" }));
    ResetApp();
}

// The close box runs the exit command: Cancel keeps everything, No drops the changes.
TEST(ExitSequence, CloseBoxAsksForUnsavedChangesThenSavesTheLayoutAndCloses)
{
    TTestHome home;
    const QString path = home.file("DefaultProject.xml");
    auto project = TXMLProjectType::NewProjectDocument();
    project->ApplyNewProjectValues("DefaultProject", home.path());
    ASSERT_TRUE(WriteFileBytes(path, project->ProjectXmlText()));
    {
        TMainForm form;
        form.FormCreate(CreateControllers);
        form.show();
        App().bus().NotifyFormActivated(0);
        ASSERT_NE(App().currentProject(), nullptr);
        EXPECT_EQ(App().projectFileName, path);

        // What the settings command does when the dialog is confirmed.
        App().currentProject()->SetHomePage("http://changed/");
        App().projectUnsaved = true;
        App().bus().NotifyProjectModified(0);

        home.prompter().answers = { TPrompter::Cancel };
        form.close();
        EXPECT_TRUE(form.isVisible());
        EXPECT_EQ(home.prompter().messages(), QStringList({ "プロジェクト設定が保存されていません\r保存しますか？" }));
        EXPECT_FALSE(QFile::exists(home.file("Calverdine.ini")));
        ASSERT_NE(App().currentProject(), nullptr);
        EXPECT_EQ(App().currentProject()->HomePage(), QString("http://changed/"));

        home.prompter().answers = { TPrompter::No };
        form.close();
        EXPECT_FALSE(form.isVisible());
        EXPECT_EQ(App().currentProject(), nullptr);
    }
    EXPECT_EQ(TXMLProjectType::LoadProjectDocument(path)->HomePage(), QString("about:blank"));
    EXPECT_EQ(home.prompter().messages().size(), 2);
    TIniFile ini(home.file("Calverdine.ini"));
    ASSERT_TRUE(ini.load());
    EXPECT_TRUE(ini.keyExists("Form", "Width"));
    EXPECT_TRUE(ini.keyExists("PanelConsole", "Height"));
    EXPECT_FALSE(ini.keyExists("Global", "DefaultProject")); // written only when the home is created
    ResetApp(); // the controllers outlive the window, as at the end of the process
}
