#include "enginetab.h"

#include "browser/tabaction.h"
#include "browser/views/tabwidgets.h"
#include "core/commandlist.h"
#include "core/textcodec.h"
#include "core/views/mainform.h"
#include "formdefine/formaction.h"
#include "formdefine/formdefinegrid.h"
#include "formdefine/formtree.h"
#include "formdefine/views/formactionfactory.h"
#include "formdefine/views/formpanel.h"

#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QMenu>
#include <QTableWidget>
#include <QTest>
#include <QTreeWidget>

#include <memory>

namespace {

// The page logs what its own change handler sees, as "name=value" of the changed field.
const char kLogScript[] = "<script>var log = [];"
                          "document.addEventListener('change', function (e) { var t = e.target;"
                          " var v = t.type === 'radio' || t.type === 'checkbox' ? (t.checked ? t.value : '-')"
                          " : t.multiple ? Array.from(t.selectedOptions).map(function (o) { return o.value; }).join(',')"
                          " : t.value; log.push(t.name + '=' + v); });</script>";

// The main window with the view, tab and form controllers on the real engine.
class FormTreeE2E : public TEngineWindowSuite {
protected:
    static void SetUpTestSuite()
    {
        TEngineSuite::SetUpTestSuite();
        s_server->addPage(QStringLiteral("/ft/plain.html"),
                          QByteArray("<html><body><form name=order action=/ft/done.html>"
                                     "<input name=user value=taro><input type=password name=pass value=secret>"
                                     "<input type=radio name=pay value=card checked><input type=radio name=pay value=cash>"
                                     "<select name=tags multiple><option value=a>A<option value=b selected>B"
                                     "<option value=c>C</select></form>")
                              + kLogScript + "</body></html>");
        s_server->addPage(QStringLiteral("/ft/frames.html"),
                          "<html><frameset cols='50%,50%'><frame name=menu src=menu.html>"
                          "<frame name=main src=plain.html></frameset></html>");
        s_server->addPage(QStringLiteral("/ft/menu.html"),
                          "<html><body><form name=search><input name=q></form></body></html>");
        s_server->addPage(QStringLiteral("/ft/done.html"), "<html><body>done</body></html>");
    }

    FormTreeE2E()
    {
        auto formAction = CreateFormAction(*form);
        action = static_cast<TFormAction*>(formAction.get());
        App().bus().AddListener(std::move(formAction));
        tree = form->findChild<QTreeWidget*>(QStringLiteral("TreeViewForm"));
        values = form->findChild<QTableWidget*>(QStringLiteral("ValueListEditorForm"));
    }

    QStringList treeLines() const { return TreeLines(*tree); }
    QTreeWidgetItem* find(const QString& text) const { return FindItem(*tree, text); }
    QString cell(int row, int column) const
    {
        QTableWidgetItem* item = values->item(row, column);
        return item ? item->text() : QString();
    }
    int rowOf(const QString& key) const
    {
        for (int r = 0; r < values->rowCount(); ++r)
            if (cell(r, 0) == key)
                return r;
        return -1;
    }
    // The enabled ones of the form commands that depend on the chosen node, without "ActionForm".
    static QString commands()
    {
        QStringList on;
        for (const char* name : { "Define", "DefineDelete", "Submit", "SaveAs", "SaveSelectTree", "FrameSource" })
            if (Command(QByteArray("ActionForm").append(name).constData())->isEnabled())
                on << name;
        return on.join(' ');
    }
    QString log() { return run("log.join(' ')").toString(); }

    TFormAction* action = nullptr;
    QTreeWidget* tree = nullptr;
    QTableWidget* values = nullptr;
};

TEST_F(FormTreeE2E, AFramesetPageShowsFramesWithTheirFormsAndAFrameNodeHasNoDefinitions)
{
    ASSERT_NE(tree, nullptr);
    openProject("/ft/frames.html");
    ASSERT_TRUE(WaitUntil([&] { return treeLines() == QStringList({ "1:menu", "2:search", "1:main", "2:order" }); }))
        << treeLines().join(' ').toStdString();
    EXPECT_FALSE(tree->topLevelItem(0)->text(0).isEmpty()) << "the root shows the screen ID";
    // The form commands that work on the chosen node: none but saving on the root, the
    // frame's own on a frame, the form's on a form.
    EXPECT_EQ(commands(), "SaveAs");
    tree->setCurrentItem(find("main"));
    EXPECT_EQ(commands(), "SaveAs SaveSelectTree FrameSource");
    EXPECT_EQ(values->rowCount(), 0);
    tree->setCurrentItem(find("order"));
    EXPECT_EQ(commands(), "Define DefineDelete Submit SaveAs SaveSelectTree");
    EXPECT_EQ(cell(0, 0), "user");
    EXPECT_EQ(cell(0, 1), "taro");
    EXPECT_EQ(action->grid().rowCount(), 7);

    // Back on a frame node, the value editor and the grid are emptied.
    tree->setCurrentItem(find("menu"));
    EXPECT_EQ(values->rowCount(), 0);
    EXPECT_EQ(action->grid().rowCount(), 3);

    // The frame's own source opens in a tab of its own.
    Command("ActionFormFrameSource")->trigger();
    ASSERT_TRUE(WaitUntil([&] { return tabs->TabCount() == 2; }));
    const QString source = "view-source:" + s_server->urlText("/ft/menu.html");
    ASSERT_TRUE(WaitUntil([&] { return App().tabs->CurrentTab()->GetUrl() == source && App().tabs->CurrentTab()->IsReady(); }))
        << App().tabs->CurrentTab()->GetUrl().toStdString();
    // The source view's own controls are no forms of the page: nothing there to save.
    EXPECT_TRUE(WaitUntil([&] { return Command("ActionFormSaveAs")->isEnabled(); }));
    EXPECT_EQ(treeLines(), QStringList());
    EXPECT_FALSE(Command("ActionFormSave")->isEnabled());
}

TEST_F(FormTreeE2E, EditedValuesReachThePageAndItsOwnChangeHandler)
{
    openProject("/ft/plain.html");
    ASSERT_TRUE(WaitUntil([&] { return treeLines() == QStringList({ "1:order" }); })) << treeLines().join(' ').toStdString();
    tree->setCurrentItem(find("order"));
    ASSERT_EQ(values->rowCount(), 5);
    EXPECT_EQ(cell(2, 1), "card");
    EXPECT_EQ(cell(3, 1), "") << "an unchecked radio button shows empty";
    EXPECT_EQ(cell(4, 1), "b");

    values->item(rowOf("user"), 1)->setText("hanako");
    ASSERT_TRUE(WaitUntil([&] { return log() == "user=hanako"; }, 10000)) << log().toStdString();
    EXPECT_EQ(run("document.forms.order.user.value").toString(), "hanako");

    // "checked" for the second radio button clears the first one's row.
    values->item(rowOf("pay[1]"), 1)->setText("checked");
    ASSERT_TRUE(WaitUntil([&] { return log() == "user=hanako pay=cash"; }, 10000)) << log().toStdString();
    EXPECT_EQ(cell(rowOf("pay[1]"), 1), "cash");
    EXPECT_EQ(cell(rowOf("pay[0]"), 1), "");
    EXPECT_FALSE(run("document.forms.order.pay[0].checked").toBool());

    // The option dialog of a multiple selection: several entries, the value in option order.
    const int tags = rowOf("tags");
    TFormTree::TSelectChoice choice;
    ASSERT_TRUE(action->tree().selectChoice(tags, &choice));
    TFormSelectOption dialog(choice);
    EXPECT_EQ(dialog.list()->selectionMode(), QAbstractItemView::MultiSelection);
    EXPECT_EQ(dialog.list()->item(0)->text(), "a:A");
    EXPECT_TRUE(dialog.list()->item(1)->isSelected());
    dialog.list()->item(2)->setSelected(true);
    dialog.list()->item(1)->setSelected(false);
    dialog.list()->item(0)->setSelected(true);
    EXPECT_EQ(dialog.chosenValues(), QStringList({ "a", "c" }));
    action->tree().chooseOptions(tags, dialog.chosenValues());
    ASSERT_TRUE(WaitUntil([&] { return log() == "user=hanako pay=cash tags=a,c"; }, 10000)) << log().toStdString();
    EXPECT_EQ(cell(tags, 1), "a,c");

    // A password row takes nothing: the row shows its text again and the page is left alone.
    const int pass = rowOf("pass");
    const QString shown = cell(pass, 1);
    values->item(pass, 1)->setText("hacked");
    EXPECT_EQ(cell(pass, 1), shown);
    EXPECT_EQ(run("document.forms.order.pass.value").toString(), "secret");
    EXPECT_EQ(log(), "user=hanako pay=cash tags=a,c");

    // What the user typed into the page shows after a refresh; a reset brings the defaults back.
    run("document.forms.order.user.value = 'typed'; 1");
    Command("ActionFormReflesh")->trigger();
    ASSERT_TRUE(WaitUntil([&] { return cell(rowOf("user"), 1) == "typed"; }, 10000));
    Command("ActionFormReset")->trigger();
    ASSERT_TRUE(WaitUntil([&] { return cell(rowOf("user"), 1) == "taro"; }, 10000));
    EXPECT_EQ(cell(rowOf("pay[0]"), 1), "card");
    EXPECT_EQ(cell(tags, 1), "b");

    // Submitting the form leaves the page.
    Command("ActionFormSubmit")->trigger();
    ASSERT_TRUE(WaitUntil([&] { return treeLines().isEmpty() && tabs->CurrentTabWindow()->GetUrl().contains("done.html"); }))
        << treeLines().join(' ').toStdString();
}

TEST_F(FormTreeE2E, ASingleSelectionOffersOneEntryAndAnEmptyTemplateFolderOneDisabledItem)
{
    s_server->addPage(QStringLiteral("/ft/single.html"),
                      "<html><body><form name=f><select name=s><option value=x>X<option value=y selected>Y</select>"
                      "</form></body></html>");
    openProject("/ft/single.html");
    QMenu* menu = form->subMenu(QStringLiteral("MenuDataTemplate"));
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(menu->actions().size(), 1);
    EXPECT_EQ(menu->actions().first()->text(), "未登録");
    EXPECT_FALSE(menu->actions().first()->isEnabled());
    EXPECT_TRUE(WaitUntil([&] { return menu->isEnabled(); }, 5000)) << "the menu shows its empty line";
    ASSERT_TRUE(WaitUntil([&] { return treeLines() == QStringList({ "1:f" }); })) << treeLines().join(' ').toStdString();
    tree->setCurrentItem(find("f"));
    TFormTree::TSelectChoice choice;
    ASSERT_TRUE(action->tree().selectChoice(0, &choice));
    TFormSelectOption dialog(choice);
    EXPECT_EQ(dialog.list()->selectionMode(), QAbstractItemView::SingleSelection);
    EXPECT_EQ(dialog.chosenValues(), QStringList({ "y" }));
    EXPECT_FALSE(action->tree().selectChoice(-1, &choice));
}

TEST_F(FormTreeE2E, ATemplateTextGoesIntoTheFocusedFieldOfThePage)
{
    openProject("/ft/plain.html", [](TXMLProjectType& project) {
        QDir().mkpath(project.RootDirectory() + "/FormTemplate");
        QFile file(project.RootDirectory() + "/FormTemplate/1.ini");
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(textcodec::toCp932(QString::fromUtf8("[Info]\r\nName=住所\r\n[Item]\r\n郵便番号=100-0001\r\n")));
    });
    QMenu* menu = form->subMenu(QStringLiteral("MenuDataTemplate"));
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(menu->actions().size(), 1);
    EXPECT_TRUE(WaitUntil([&] { return menu->isEnabled(); }, 5000));
    menu->actions().first()->trigger();
    auto* grid = form->findChild<QTableWidget*>(QStringLiteral("StringGridTemplate"));
    ASSERT_NE(grid, nullptr);
    ASSERT_EQ(grid->rowCount(), 2);

    ASSERT_TRUE(WaitUntil([&] { return treeLines() == QStringList({ "1:order" }); })) << treeLines().join(' ').toStdString();
    TTabWindow* tab = tabs->CurrentTabWindow();
    tab->Browser()->FocusPage();
    run("document.forms.order.user.focus(); 1");
    ASSERT_TRUE(WaitUntil([&] { return tab->ActiveElement() >= 0; }, 5000)) << "the page reports the focused field";

    // A click on the row's button enters its text.
    grid->scrollToTop();
    const QPoint first = grid->visualRect(grid->model()->index(1, 2)).center();
    QTest::mousePress(grid->viewport(), Qt::LeftButton, {}, first);
    QTest::mouseRelease(grid->viewport(), Qt::LeftButton, {}, first);
    ASSERT_TRUE(WaitUntil([&] { return run("document.forms.order.user.value").toString() == "taro100-0001"; }, 5000))
        << run("document.forms.order.user.value").toString().toStdString();

    // Closing the project empties and disables the menu.
    window.closeProject();
    EXPECT_TRUE(menu->actions().isEmpty());
    EXPECT_TRUE(WaitUntil([&] { return !menu->isEnabled(); }, 5000));
}

}
