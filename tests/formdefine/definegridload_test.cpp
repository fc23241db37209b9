#include "core/appcontext.h"
#include "core/projectdocument.h"
#include "document/calverdinedocument.h"
#include "document/support/snapshotbuilder.h"
#include "formdefine/formdefinegrid.h"
#include "formdefine/formdefinemanager.h"

#include "support/testhome.h"

#include <QDir>
#include <QSignalSpy>

#include <gtest/gtest.h>

namespace {

// A screen whose definition file cannot be read leaves the grid in its empty state (two
// header rows and one empty row), as shown, instead of a half-filled grid.
TEST(FormDefineGridLoadTest, AnUnreadableDefinitionFileLeavesTheGridEmpty)
{
    TTestHome home;
    auto project = TXMLProjectType::NewProjectDocument();
    project->SetRootDirectory(home.file("data"));
    App().setCurrentProject(std::move(project));
    ASSERT_TRUE(QDir().mkpath(home.file("data/FormDefine/ORDER.ini"))); // a folder where the file belongs

    TSnapshotBuilder b;
    auto& top = b.document(QStringLiteral("http://127.0.0.2/app/order.html"));
    const int form = top.form("order");
    top.input(form, "text", "zip", "");
    TCalverdineDocument document(QStringLiteral("http://127.0.0.2/app/order.html"));
    document.Parse(b.build(nullptr), TScreenIDSettings());

    TFormDefineGrid grid;
    QSignalSpy changed(&grid, &TFormDefineGrid::cellsChanged);
    EXPECT_ANY_THROW(grid.fill(QStringLiteral("ORDER"), *document.RootFrame()->Forms().front()));
    EXPECT_EQ(grid.rowCount(), 3);
    EXPECT_EQ(grid.cell(0, 2), QString());
    EXPECT_EQ(grid.part(2), nullptr);
    EXPECT_FALSE(grid.commitEdit(3, 2, QStringLiteral("alias")));
    ASSERT_GE(changed.count(), 1);
    App().service<TFormDefineManager>().clear();
    App().takeCurrentProject().reset();
}

}
