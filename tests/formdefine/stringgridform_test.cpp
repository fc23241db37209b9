#include "core/appcontext.h"
#include "core/projectdocument.h"
#include "core/textcodec.h"
#include "document/calverdinedocument.h"
#include "document/support/snapshotbuilder.h"
#include "formdefine/formdefinegrid.h"
#include "formdefine/formdefinemanager.h"
#include "formdefine/views/stringgridform.h"

#include "support/testhome.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMimeData>
#include <QTest>

#include <gtest/gtest.h>

namespace {

// The definition grid widget over a form of three text fields, with a pick list for column 4.
class StringGridFormTest : public ::testing::Test {
protected:
    StringGridFormTest()
    {
        auto project = TXMLProjectType::NewProjectDocument();
        project->SetRootDirectory(m_home.file("data"));
        App().setCurrentProject(std::move(project));
        QDir().mkpath(m_home.file("data/FormDefine"));
        App().service<TFormDefineManager>().setFileCommand(std::make_unique<TFormDefineFileCommand>(
            App().service<TFormDefineManager>(), [](const QString&) { return QStringLiteral("text"); }));
        EXPECT_TRUE(WriteFileBytes(m_home.file("data/FormDefine/_ItemsPickList.ini"), textcodec::toCp932("COL_4=○,×\r\n")));

        TSnapshotBuilder b;
        auto& top = b.document(QStringLiteral("http://127.0.0.2/p.html"));
        const int form = top.form("f");
        for (const char* name : { "a", "b", "c" })
            top.input(form, "text", name, "");
        document = std::make_unique<TCalverdineDocument>(QStringLiteral("http://127.0.0.2/p.html"));
        document->Parse(b.build(nullptr), TScreenIDSettings());
        grid.fill(QStringLiteral("P"), *document->RootFrame()->Forms().front());
        view = std::make_unique<TStringGridForm>(grid);
        view->resize(1600, 400);
        view->show();
    }
    ~StringGridFormTest() override
    {
        view.reset();
        App().service<TFormDefineManager>().setFileCommand(nullptr);
        App().takeCurrentProject().reset();
    }
    QString text(int row, int column) const { return view->item(row, column)->text(); }
    void select(int top, int left, int bottom, int right)
    {
        view->clearSelection();
        view->setRangeSelected(QTableWidgetSelectionRange(top, left, bottom, right), true);
    }

    TTestHome m_home;
    std::unique_ptr<TCalverdineDocument> document;
    TFormDefineGrid grid;
    std::unique_ptr<TStringGridForm> view;
};

}

TEST_F(StringGridFormTest, GroupCaptionsSpanTheirColumns)
{
    ASSERT_EQ(view->rowCount(), 5);
    for (const TFormDefineGrid::TColNumber& group : TFormDefineGrid::groups())
        EXPECT_EQ(view->columnSpan(0, group.first), group.last - group.first + 1) << group.first;
    EXPECT_EQ(view->columnSpan(1, 3), 1);
    EXPECT_FALSE(view->item(1, 3)->flags() & Qt::ItemIsEditable);
    EXPECT_FALSE(view->item(2, 0)->flags() & Qt::ItemIsEditable);
    EXPECT_TRUE(view->item(2, 3)->flags() & Qt::ItemIsEditable);
}

TEST_F(StringGridFormTest, SpreadsheetDataIsPastedAtTheSelectedCell)
{
    const struct {
        const char* name;
        const char* format;
        QByteArray data;
        const char* text;
    } cases[] = {
        { "sylk from LibreOffice Calc", "application/x-openoffice-sylk;windows_formatname=\"Sylk\"",
          "ID;PSCALC3\nC;X1;Y1;K\"p\"\nC;X2;Y1;K\"○\"\nC;X1;Y2;K\"q\"\nC;X2;Y2;K\"×\"\nE\n", "ignored\ttext" },
        { "tab-separated text", nullptr, QByteArray(), "p\t○\r\nq\t×\r\n" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        grid.fill(QStringLiteral("P"), *document->RootFrame()->Forms().front());
        for (int r = 2; r <= 3; ++r)
            for (int col = 3; col <= 4; ++col)
                grid.commitEdit(col, r, QString());
        QMimeData data;
        if (c.format)
            data.setData(QString::fromLatin1(c.format), c.data);
        data.setText(QString::fromUtf8(c.text));
        select(2, 3, 2, 3);
        EXPECT_TRUE(view->pasteData(&data));
        EXPECT_EQ(QStringList({ text(2, 3), text(2, 4), text(3, 3), text(3, 4) }), QStringList({ "p", "○", "q", "×" }));
        EXPECT_EQ(App().service<TFormDefineManager>().definition("P", grid.part(3)->GetPath()).field(4), "×");
    }
    QMimeData unknown;
    unknown.setData("application/x-openoffice-sylk;windows_formatname=\"Sylk\"", "ID;PSCALC3\nE\n");
    unknown.setText("z");
    EXPECT_FALSE(view->pasteData(&unknown)) << "SYLK data without a positioned cell pastes nothing";
    EXPECT_EQ(text(2, 3), "p");
}

TEST_F(StringGridFormTest, CopyGivesTabSeparatedCells)
{
    grid.commitEdit(3, 2, "x");
    grid.commitEdit(5, 2, "z");
    select(2, 3, 2, 5);
    view->copySelection();
    EXPECT_EQ(QApplication::clipboard()->text(), "x\t\tz");
}

TEST_F(StringGridFormTest, ARefusedEditLeavesTheCellAsItWas)
{
    grid.commitEdit(4, 2, "○");
    view->setCurrentCell(2, 4);
    view->editItem(view->item(2, 4));
    auto* box = view->findChild<QComboBox*>();
    ASSERT_NE(box, nullptr) << "column 4 has a pick list";
    EXPECT_EQ(box->count(), 2);
    box->setCurrentText("△");
    QTest::keyClick(box, Qt::Key_Return);
    QCoreApplication::processEvents(); // the delegate commits in a queued call
    EXPECT_EQ(text(2, 4), "○");
    EXPECT_EQ(App().service<TFormDefineManager>().definition("P", grid.part(2)->GetPath()).field(4), "○");

    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); // the closed pick list editor
    ASSERT_EQ(view->findChild<QComboBox*>(), nullptr);
    view->setCurrentCell(2, 3);
    view->editItem(view->item(2, 3));
    auto* line = view->findChild<QLineEdit*>();
    ASSERT_NE(line, nullptr);

    line->setText("別");
    QTest::keyClick(line, Qt::Key_Return);
    QCoreApplication::processEvents();
    EXPECT_EQ(text(2, 3), "別");
    EXPECT_EQ(App().service<TFormDefineManager>().definition("P", grid.part(2)->GetPath()).alias(), "別");
}

TEST_F(StringGridFormTest, AClickOnTheNameSelectsTheDefinitionOfTheRow)
{
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualItemRect(view->item(3, 0)).center());
    const auto ranges = view->selectedRanges();
    ASSERT_EQ(ranges.size(), 1);
    EXPECT_EQ(ranges[0].topRow(), 3);
    EXPECT_EQ(ranges[0].bottomRow(), 3);
    EXPECT_EQ(ranges[0].leftColumn(), 2);
    EXPECT_EQ(ranges[0].rightColumn(), 18);
}
