#include "core/textcodec.h"
#include "formdefine/formtemplate.h"

#include "support/testhome.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

namespace {

class FormTemplateTest : public ::testing::Test {
protected:
    QString folder() const { return m_home.file("FormTemplate"); }
    void write(const QString& name, const QByteArray& bytes) const { ASSERT_TRUE(WriteFileBytes(folder() + "/" + name, bytes)); }
    QStringList captions() const
    {
        QStringList list;
        const QStringList files = TFormTemplateFileCommand::listFiles(folder());
        for (const TTemplateMenuItem& item : TFormTemplateFileCommand::menuItems(folder(), files))
            list << item.caption;
        return list;
    }
    QStringList rows(const TFormTemplateGrid& grid) const
    {
        QStringList list;
        for (int r = 0; r < grid.rowCount(); ++r)
            list << grid.cell(0, r) + "|" + grid.cell(1, r) + "|" + grid.cell(2, r);
        return list;
    }

    TTestHome m_home;
};

}

TEST_F(FormTemplateTest, MenuCaptionsComeFromTheFilesWithAccessKeys)
{
    EXPECT_TRUE(captions().isEmpty());
    EXPECT_TRUE(QDir(folder()).exists()) << "the folder is created when missing";

    write("b.ini", textcodec::toCp932("[Info]\r\nName=住所\r\n[Item]\r\n"));
    write("a.ini", textcodec::toCp932("[Info]\r\nName=氏名\r\n"));
    write("c.ini", "[Item]\r\nx=1\r\n");
    write("notes.txt", "[Info]\r\nName=skip\r\n");
    EXPECT_EQ(captions(), QStringList({ "氏名(&1)", "住所(&2)", "データ 3(&3)" }));

    for (int i = 4; i <= 37; ++i)
        write(QStringLiteral("t%1.ini").arg(i, 2, 10, QLatin1Char('0')), "");
    const QStringList all = captions();
    ASSERT_EQ(all.size(), 37);
    EXPECT_EQ(all[9], "データ 10(&0)");
    EXPECT_EQ(all[10], "データ 11(&A)");
    EXPECT_EQ(all[35], "データ 36(&Z)");
    EXPECT_EQ(all[36], "データ 37") << "no access key after the 36th";
}

TEST_F(FormTemplateTest, TemplateTextsFillOneGridRowEach)
{
    write("t.ini", textcodec::toCp932("[Info]\r\nName=t\r\n[Item]\r\n郵便番号=100-0001\r\n電話=03-1234-5678\r\n空=\r\n"));
    TFormTemplateGrid grid;
    grid.setItems(TFormTemplateFileCommand::readItems(folder() + "/t.ini"));
    EXPECT_EQ(rows(grid), QStringList({ "名前|データ|", "郵便番号|100-0001|2", "電話|03-1234-5678|2", "空||2" }));

    grid.setItems(TFormTemplateFileCommand::readItems(folder() + "/missing.ini"));
    EXPECT_EQ(grid.rowCount(), 1);
}

TEST_F(FormTemplateTest, FilesInOtherEncodingsAndLongLinesAreReadAsFarAsTheyCan)
{
    const QString longText(5000, QLatin1Char('x'));
    write("u.ini", "[Item]\r\n\xE4\xBD\x8F\xE6\x89\x80=\xE6\x9D\xB1\xE4\xBA\xAC\r\nlong=" + longText.toLatin1() + "\r\n");
    write("bad.ini", "[Item]\r\nk=\xFF\xFE\x80\r\nnext=ok\r\n");
    const auto utf8 = TFormTemplateFileCommand::readItems(folder() + "/u.ini");
    ASSERT_EQ(utf8.size(), 2);
    EXPECT_EQ(utf8[0], qMakePair(QStringLiteral("住所"), QStringLiteral("東京")));
    EXPECT_EQ(utf8[1].second, longText);
    const auto bad = TFormTemplateFileCommand::readItems(folder() + "/bad.ini");
    ASSERT_EQ(bad.size(), 2);
    EXPECT_EQ(bad[1], qMakePair(QStringLiteral("next"), QStringLiteral("ok")));
}

TEST(FormTemplateGrid, AButtonRunsOnlyWhenReleasedWhereItWasPressed)
{
    const struct {
        const char* name;
        int pressColumn, pressRow, releaseColumn, releaseRow;
        bool runs;
    } cases[] = {
        { "same button", 2, 1, 2, 1, true },
        { "released over another row", 2, 1, 2, 2, false },
        { "released outside the grid", 2, 2, -1, -1, false },
        { "pressed on the text", 1, 1, 2, 1, false },
        { "pressed on the header", 2, 0, 2, 0, false },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TFormTemplateGrid grid;
        grid.setItems({ { "a", "text a" }, { "b", "text b" } });
        grid.press(c.pressColumn, c.pressRow);
        QString text;
        EXPECT_EQ(grid.release(c.releaseColumn, c.releaseRow, &text), c.runs);
        EXPECT_EQ(text, c.runs ? QStringLiteral("text a") : QString());
        EXPECT_FALSE(grid.pressed(1) || grid.pressed(2)) << "no button stays drawn pressed";
    }

    TFormTemplateGrid grid;
    grid.setItems({ { "a", "text a" } });
    grid.press(2, 1);
    EXPECT_TRUE(grid.pressed(1));
    grid.cancel();
    EXPECT_FALSE(grid.pressed(1));
    QString text;
    EXPECT_FALSE(grid.release(2, 1, &text)) << "Esc forgot the pressed button";
}
