#include "core/appcontext.h"
#include "core/projectdocument.h"
#include "core/textcodec.h"
#include "document/calverdinedocument.h"
#include "document/support/snapshotbuilder.h"
#include "formdefine/formdefinegrid.h"
#include "formdefine/formdefinemanager.h"

#include "support/testhome.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

namespace {

// Counts the saves of definition files.
class TCountingFileCommand final : public TFormDefineFileCommand {
public:
    TCountingFileCommand(TFormDefineManager& manager, int* saves)
        : TFormDefineFileCommand(manager, [](const QString&) { return QStringLiteral("text"); }), m_saves(saves)
    {
    }
    void SaveDefinitions(const QString& screenId) override
    {
        ++*m_saves;
        TFormDefineFileCommand::SaveDefinitions(screenId);
    }

private:
    int* m_saves;
};

class FormDefineGridTest : public ::testing::Test {
protected:
    FormDefineGridTest()
    {
        auto project = TXMLProjectType::NewProjectDocument();
        project->SetRootDirectory(m_home.file("data"));
        App().setCurrentProject(std::move(project));
        QDir().mkpath(m_home.file("data/FormDefine"));
        manager().setFileCommand(std::make_unique<TCountingFileCommand>(manager(), &saves));
        write("_ItemsPickList.ini", textcodec::toCp932("[Items]\r\nCOL_4=○,×\r\nCOL_15=数値,文字\r\n"));
        write("_ReferencePickList.ini",
              textcodec::toCp932("[Reference]\r\n"
                                 "郵便番号=郵便番号,○,,,半角,,○\r\n"
                                 "金額=金額,○,,,半角,,○,,,,1,10,数値,0,99999,0\r\n"));

        TSnapshotBuilder b;
        auto& top = b.document(QStringLiteral("http://127.0.0.2/app/order.html"));
        const int form = top.form("order");
        top.input(form, "text", "zip", "");
        top.input(form, "text", "amount", "");
        top.input(form, "radio", "pay", "card");
        document = std::make_unique<TCalverdineDocument>(QStringLiteral("http://127.0.0.2/app/order.html"));
        document->Parse(b.build(nullptr), TScreenIDSettings());
        grid.fill(QStringLiteral("ORDER"), *document->RootFrame()->Forms().front());
        saves = 0;
    }
    ~FormDefineGridTest() override
    {
        manager().setFileCommand(nullptr);
        App().takeCurrentProject().reset();
    }

    static TFormDefineManager& manager() { return App().service<TFormDefineManager>(); }
    void write(const QString& name, const QByteArray& bytes) const { ASSERT_TRUE(WriteFileBytes(m_home.file("data/FormDefine/" + name), bytes)); }
    QByteArray read(const QString& name) const { return FileBytes(m_home.file("data/FormDefine/" + name)); }
    QString path(int row) const { return grid.part(row)->GetPath(); }
    // The definition file with these fields (comma text) for rows 2, 3 and 4.
    QByteArray file(const QString& row2, const QString& row3 = QString(18, ','), const QString& row4 = QString(18, ',')) const
    {
        return textcodec::toCp932("[Info]\r\n" + path(2) + "=" + row2 + "\r\n" + path(3) + "=" + row3 + "\r\n" + path(4)
                                  + "=" + row4 + "\r\n[Type]\r\n" + path(2) + "=text\r\n" + path(3) + "=text\r\n"
                                  + path(4) + "=text\r\n");
    }
    // Columns 2 to 18 of a row joined by "|".
    QString fields(int row) const
    {
        QStringList list;
        for (int c = 2; c < TFormDefineGrid::kColumnCount; ++c)
            list << grid.cell(c, row);
        return list.join('|');
    }

    TTestHome m_home;
    int saves = 0;
    std::unique_ptr<TCalverdineDocument> document;
    TFormDefineGrid grid;
};

}

TEST_F(FormDefineGridTest, RowsShowTheFormPartsUnderTwoHeaderRows)
{
    ASSERT_EQ(grid.rowCount(), 5);
    EXPECT_FALSE(grid.cell(7, 0).isEmpty());
    EXPECT_EQ(grid.cell(8, 0), "") << "a group caption is held once, over its first column";
    EXPECT_EQ(grid.copyText(0, 2, 1, 4), "zip\tTEXT\r\namount\tTEXT\r\npay\tRADIO");
    EXPECT_EQ(TFormDefineGrid::groupOf(14), 4);

    grid.reset();
    EXPECT_EQ(grid.rowCount(), 3);
    EXPECT_EQ(grid.part(2), nullptr);
}

TEST_F(FormDefineGridTest, AReferenceFillsItsColumnsAndSavesOnce)
{
    ASSERT_TRUE(grid.hasPickList(2));
    EXPECT_EQ(grid.pickList(2), QStringList({ "郵便番号", "金額" }));
    ASSERT_TRUE(grid.commitEdit(2, 2, "金額"));
    EXPECT_EQ(saves, 1);
    EXPECT_EQ(fields(2), "金額|金額|○|||半角||○||||1|10|数値|0|99999|0");
    EXPECT_EQ(read("ORDER.ini"), file(",,金額,金額,○,,,半角,,○,,,,1,10,数値,0,99999,0"));

    // A shorter reference clears the rest of the columns.
    ASSERT_TRUE(grid.commitEdit(2, 2, "郵便番号"));
    EXPECT_EQ(fields(2), "郵便番号|郵便番号|○|||半角||○|||||||||");
    EXPECT_EQ(saves, 2);

    // Editing the alias: the row no longer follows its reference.
    ASSERT_TRUE(grid.commitEdit(3, 2, "郵便"));
    EXPECT_EQ(fields(2), "|郵便|○|||半角||○|||||||||");
    EXPECT_EQ(read("ORDER.ini"), file(",,,郵便,○,,,半角,,○,,,,,,,,,"));
    EXPECT_EQ(saves, 3);
}

TEST_F(FormDefineGridTest, RefusedValuesKeepTheCellAndTheFile)
{
    const struct {
        const char* name;
        int column;
        const char* text;
        bool taken;
    } cases[] = {
        { "unknown reference", 2, "無い", false },
        { "value outside the pick list", 4, "△", false },
        { "value of the pick list", 4, "○", true },
        { "empty in a pick list column", 4, "", true },
        { "empty reference", 2, "", true },
        { "free column", 13, "10", true },
        { "empty free column", 13, "", true },
        { "name column", 0, "renamed", false },
        { "type column", 1, "TEXT", false },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString before = grid.cell(c.column, 3);
        const QByteArray file = read("ORDER.ini");
        EXPECT_EQ(grid.commitEdit(c.column, 3, QString::fromUtf8(c.text)), c.taken);
        EXPECT_EQ(grid.cell(c.column, 3), c.taken ? QString::fromUtf8(c.text) : before);
        if (!c.taken) {
            EXPECT_EQ(read("ORDER.ini"), file);
        }
    }
    EXPECT_FALSE(grid.commitEdit(4, 1, "○")) << "header rows are not edited";
}

TEST_F(FormDefineGridTest, PastedCellsAreCheckedAndSavedLikeTypedOnes)
{
    // A 2 x 2 block from a spreadsheet, at column 3 of the first row; "△" is refused.
    const QList<TPastedCell> cells = PlaceSylk(
        DecodeSylk("ID;PSCALC3\nC;X1;Y1;K\"郵便\"\nC;X2;Y1;K\"○\"\nC;X1;Y2;K\"金額\"\nC;X2;Y2;K\"△\"\nE\n"), 3, 2);
    EXPECT_EQ(grid.paste(cells), 3);
    EXPECT_EQ(grid.copyText(3, 2, 4, 3), "郵便\t○\r\n金額\t");

    // The same from tab-separated text, reaching past the last row and column.
    EXPECT_EQ(grid.paste(PlaceTabText("x\ty\r\nz\tw\r\n", 17, 4)), 2);
    EXPECT_EQ(grid.rowCount(), 5);
    EXPECT_EQ(read("ORDER.ini"), file(",,,郵便,○,,,,,,,,,,,,,,", ",,,金額,,,,,,,,,,,,,,,", ",,,,,,,,,,,,,,,,,x,y"));
}

TEST_F(FormDefineGridTest, CopyAndDelete)
{
    ASSERT_TRUE(grid.commitEdit(3, 2, "郵便"));
    EXPECT_EQ(grid.copyText(2, 2, 4, 2), "\t郵便\t");

    grid.deleteDefinitions();
    EXPECT_EQ(grid.rowCount(), 3);
    EXPECT_EQ(read("ORDER.ini"), QByteArray()) << "no definition is left";
}

TEST_F(FormDefineGridTest, PickListsAreReadOnceUntilAnotherProjectOpens)
{
    ASSERT_TRUE(grid.hasPickList(4));
    write("_ItemsPickList.ini", "COL_5=a\r\n");
    EXPECT_TRUE(grid.hasPickList(4)) << "read once";
    EXPECT_FALSE(grid.valueAllowed(4, "a"));
    grid.forgetPickLists();
    EXPECT_FALSE(grid.hasPickList(4));
    EXPECT_TRUE(grid.hasPickList(5));
    EXPECT_TRUE(grid.valueAllowed(4, "a"));
}

TEST_F(FormDefineGridTest, RowsOfAPageThatWentAwayTakeNoEdit)
{
    bool pageShown = true;
    grid.setPartsValid([&] { return pageShown; });
    ASSERT_TRUE(grid.commitEdit(3, 2, "a"));
    const QByteArray file = read("ORDER.ini");
    pageShown = false;
    EXPECT_FALSE(grid.commitEdit(3, 2, "b"));
    EXPECT_EQ(grid.paste(PlaceTabText("c", 3, 2)), 0);
    grid.deleteDefinitions();
    EXPECT_EQ(read("ORDER.ini"), file);
    EXPECT_EQ(grid.rowCount(), 3);
}
