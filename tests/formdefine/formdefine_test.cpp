#include "core/appcontext.h"
#include "core/error.h"
#include "core/textcodec.h"
#include "core/tickcount.h"
#include "formdefine/formdefinemanager.h"
#include "formdefine/formdefinepicklists.h"
#include "core/projectdocument.h"

#include <QDir>
#include <QFile>

#include "support/testhome.h"
#include "support/writelimit.h"

#include <gtest/gtest.h>

namespace {

class FormDefineTest : public ::testing::Test {
protected:
    FormDefineTest()
    {
        auto project = TXMLProjectType::NewProjectDocument();
        project->SetRootDirectory(m_home.file("data"));
        App().setCurrentProject(std::move(project));
        QDir().mkpath(m_home.file("data/FormDefine"));
        manager.setFileCommand(std::make_unique<TFormDefineFileCommand>(manager, [](const QString& path) {
            return path.endsWith("user") ? QStringLiteral("text") : QString();
        }));
    }
    QByteArray read(const QString& name) const { return FileBytes(m_home.file("data/FormDefine/" + name)); }
    void write(const QString& name, const QByteArray& bytes) const { ASSERT_TRUE(WriteFileBytes(m_home.file("data/FormDefine/" + name), bytes)); }

    TTestHome m_home;
    TFormDefineManager manager;
};

}

TEST_F(FormDefineTest, AnAliasIsWrittenAsThreeCommasTheAliasAndFifteenMore)
{
    manager.definition("LOGIN", "//login/user").setField(3, "会員番号");
    EXPECT_EQ(read("LOGIN.ini"), textcodec::toCp932("[Info]\r\n//login/user=,,,会員番号,,,,,,,,,,,,,,,\r\n"
                                                    "[Type]\r\n//login/user=text\r\n"));
}

TEST_F(FormDefineTest, RowsLoadUnchangedAndEveryChangeRewritesTheWholeFile)
{
    write("S.ini", textcodec::toCp932("[Info]\r\n//f/b=,,,,,,,,,,,,,,,,,,\r\n//f/a=,,ref,\"a b\",\"x,y\",,,,,,,,,,,,,,\r\n"
                                      "//f/none\r\n[Type]\r\n//f/b=text\r\n"));
    TFormDefineList& list = manager.definitionList("S");
    ASSERT_EQ(list.count(), 2); // a line without "=" is no definition
    EXPECT_EQ(list.at(0)->fields(), QStringList(19, QString()));
    EXPECT_EQ(list.at(1)->alias(), QStringLiteral("a b"));
    EXPECT_EQ(list.at(1)->field(4), QStringLiteral("x,y"));
    EXPECT_EQ(manager.field("s", "//F/A"), QStringLiteral("a b"));

    // Loading wrote nothing; a new row is not written until a change.
    manager.definition("S", "//f/user");
    EXPECT_EQ(read("S.ini").left(11), QByteArray("[Info]\r\n//f"));
    EXPECT_TRUE(read("S.ini").contains("//f/none"));

    list.at(0)->setField(18, "2");
    EXPECT_EQ(read("S.ini"), QByteArray("[Info]\r\n"
                                        "//f/b=,,,,,,,,,,,,,,,,,,2\r\n"
                                        "//f/a=,,ref,\"a b\",\"x,y\",,,,,,,,,,,,,,\r\n"
                                        "//f/user=,,,,,,,,,,,,,,,,,,\r\n"
                                        "[Type]\r\n//f/b=\r\n//f/a=\r\n//f/user=text\r\n"));

    manager.deleteDefinition("S", "//F/B");
    EXPECT_FALSE(read("S.ini").contains("//f/b"));
    QStringList names = QDir(m_home.file("data/FormDefine")).entryList(QDir::Files);
    EXPECT_EQ(names, QStringList { "S.ini" });
}

TEST_F(FormDefineTest, AliasOfAScreenNeverLoadedIsEmptyAndLoadsNothing)
{
    write("S.ini", "[Info]\r\n//f/a=,,,alias\r\n");
    EXPECT_EQ(manager.field("S", "//f/a"), QString());
    EXPECT_EQ(manager.loadedList("S"), nullptr);
    manager.definitionList("S");
    EXPECT_EQ(manager.field("S", "//f/a"), QStringLiteral("alias"));
    // Another project opened: what was loaded for the last one is gone.
    manager.clear();
    EXPECT_EQ(manager.field("S", "//f/a"), QString());
    EXPECT_EQ(manager.loadedList("S"), nullptr);
}

TEST_F(FormDefineTest, FailedSaveKeepsThePreviousFileUnderItsBackupName)
{
    write("S.ini", "[Info]\r\n//f/a=,,,old\r\n");
    TFormDefineRow& row = manager.definition("S", "//f/a");
    SetTickCountSource([] { return 31u; });
    {
        TWriteLimit limit(24);
        EXPECT_THROW(row.setField(3, "a much longer alias than before"), TError);
    }
    EXPECT_EQ(read("S.ini"), QByteArray("[Info]\r\n//f/a=,,,old\r\n"));
    EXPECT_EQ(read("S.ini.31.bak"), QByteArray("[Info]\r\n//f/a=,,,old\r\n"));
}

TEST_F(FormDefineTest, PickListsAreReadFromTheirTwoFiles)
{
    TFormDefinePickLists lists;
    lists.load(); // no files: no pick lists, no message
    EXPECT_TRUE(lists.columnItems(4).isEmpty());
    EXPECT_TRUE(lists.references().isEmpty());

    const QByteArray items
        = textcodec::toCp932("[Items]\r\nCOL_4=必須,任意\r\nCOL_4=ignored\r\ncol_15=\"数値 型\",文字\r\nCOL_x=1\r\n");
    const QByteArray references = textcodec::toCp932(
        "[Reference]\r\n会員番号=,○,,半角,,○\r\n=nameless\r\nlong=1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17\r\n");
    write("_ItemsPickList.ini", items);
    write("_ReferencePickList.ini", references);
    lists.load();
    EXPECT_EQ(read("_ItemsPickList.ini") + read("_ReferencePickList.ini"), items + references) << "only read";
    EXPECT_EQ(lists.columnItems(4), QStringList({ "必須", "任意" }));
    EXPECT_EQ(lists.columnItems(15), QStringList({ "数値 型", "文字" }));
    ASSERT_EQ(lists.referenceNames(), QStringList({ "会員番号", "long" }));
    const TReferenceDefinition* reference = lists.findReference("会員番号");
    ASSERT_NE(reference, nullptr);
    EXPECT_EQ(reference->values.size(), 16);
    EXPECT_EQ(reference->values.mid(0, 4), QStringList({ "", "○", "", "半角" }));
    EXPECT_EQ(lists.findReference("LONG")->values.last(), QStringLiteral("16"));
}
