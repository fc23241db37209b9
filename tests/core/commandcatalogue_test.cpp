#include "app/views/controllers.h"
#include "core/appcontext.h"
#include "core/commandlist.h"
#include "core/placeholderactions.h"
#include "core/inifile.h"
#include "core/views/mainform.h"
#include "core/views/menutable.h"
#include "support/testhome.h"

#include <QAction>
#include <QMenu>
#include <QHelpEvent>
#include <QTest>
#include <QToolBar>
#include <QToolButton>
#include <QToolTip>

#include <gtest/gtest.h>

namespace {

// A main window built on a home whose shortcut file moves "open" to Ctrl+L.
class CommandCatalogue : public testing::Test {
protected:
    void SetUp() override
    {
        TIniFile keys(home.file("CalverdineShortcutKey.ini"));
        keys.writeInteger("ShortCutKey", "FileOpen", 76);
        ASSERT_TRUE(keys.save());
        form = std::make_unique<TMainForm>();
        form->FormCreate(CreateControllers);
    }
    static QAction* cmd(const char* name) { return App().commands().action(QString::fromLatin1(name)); }

    TTestHome home;
    std::unique_ptr<TMainForm> form;
};

} // namespace

TEST_F(CommandCatalogue, MenusWithNothingToOfferAreDisabled)
{
    // A submenu filled at run time cannot be opened while it holds nothing.
    QMenu* templates = form->subMenu("MenuDataTemplate");
    EXPECT_FALSE(templates->menuAction()->isEnabled());
    QAction* entry = templates->addAction("ログイン画面");
    EXPECT_TRUE(templates->menuAction()->isEnabled());
    templates->removeAction(entry);
    EXPECT_FALSE(templates->menuAction()->isEnabled());

    // A submenu whose every command is disabled offers nothing either, until one is enabled.
    QMenu* go = form->subMenu("MenuViewGo");
    for (QAction* a : go->actions())
        a->setEnabled(false);
    QCoreApplication::processEvents();
    EXPECT_FALSE(go->menuAction()->isEnabled());
    cmd("ActionViewHome")->setEnabled(true);
    EXPECT_TRUE(go->menuAction()->isEnabled());
}

TEST_F(CommandCatalogue, CommandsWithoutAnOwnerAreDisabled)
{
    TCommandList& commands = App().commands();
    for (const QString& name : commands.names()) {
        if (commands.owner(name).isEmpty()) {
            EXPECT_FALSE(commands.action(name)->isEnabled()) << qPrintable(name);
        }
    }
    // Every area of the window has its own controller: no placeholder is left on the bus.
    for (int i = 0; i < App().bus().ListenerCount(); ++i)
        EXPECT_EQ(qobject_cast<TPlaceholderAction*>(App().bus().ListenerAt(i)), nullptr) << i;
}

TEST_F(CommandCatalogue, ShortcutFromTheKeyFileAndChecksAtStart)
{
    EXPECT_EQ(cmd("ActionFileOpen")->shortcut(), QKeySequence("Ctrl+L"));
    EXPECT_TRUE(cmd("ActionViewShowConsolePanel")->isChecked());
    cmd("ActionServerProxyConnect")->setChecked(true);
    cmd("ActionServerProxyDisconnect")->setChecked(true);
    EXPECT_FALSE(cmd("ActionServerProxyConnect")->isChecked()) << "one proxy entry at a time";
    const QList<QAction*> area = CommandEntries(cmd("ActionCaptureSelectType"));
    ASSERT_EQ(area.size(), 2);
    EXPECT_TRUE(area.at(0)->isChecked()) << "the visible part is the area at start";
    EXPECT_FALSE(area.at(1)->isChecked());
}

TEST_F(CommandCatalogue, TextSizeEntriesCarryTheCommandsValue)
{
    QAction* size = cmd("ActionViewFontSize");
    const QList<QAction*> entries = CommandEntries(size);
    ASSERT_EQ(entries.size(), 5);
    size->setEnabled(true);
    size->setData(3);
    for (QAction* e : entries) {
        EXPECT_TRUE(e->isEnabled());
        EXPECT_EQ(e->isChecked(), e->data().toInt() == 3) << qPrintable(e->text());
    }
    int applied = -1;
    QObject::connect(size, &QAction::triggered, [&] { applied = size->data().toInt(); });
    entries.at(0)->trigger(); // 最大
    EXPECT_EQ(applied, 4);
    size->setEnabled(false);
    EXPECT_FALSE(entries.at(4)->isEnabled());
    EXPECT_FALSE(form->subMenu("MenuViewFontSize")->menuAction()->isEnabled());
}

TEST_F(CommandCatalogue, ToolBarButtonsHaveIcons)
{
    int buttons = 0;
    for (QAction* placed : form->toolBar()->actions()) {
        if (auto* button = qobject_cast<QToolButton*>(form->toolBar()->widgetForAction(placed))) {
            EXPECT_FALSE(button->defaultAction()->icon().isNull()) << qPrintable(button->objectName());
            ++buttons;
        }
    }
    EXPECT_GT(buttons, 0);
}

TEST_F(CommandCatalogue, ToolButtonsShowNoToolTipWhileTheHintIsEmpty)
{
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    QWidget* button = form->toolBar()->findChild<QToolButton*>("ToolButtonBack");
    ASSERT_NE(button, nullptr);
    auto askToolTip = [&] {
        QHelpEvent help(QEvent::ToolTip, QPoint(2, 2), button->mapToGlobal(QPoint(2, 2)));
        QCoreApplication::sendEvent(button, &help);
        return QToolTip::isVisible() ? QToolTip::text() : QString();
    };
    SetCommandHint(cmd("ActionViewBack"), "ページ1");
    EXPECT_EQ(askToolTip(), QString("ページ1"));
    QToolTip::hideText();
    ASSERT_TRUE(QTest::qWaitFor([] { return !QToolTip::isVisible(); }));
    SetCommandHint(cmd("ActionViewBack"), QString());
    EXPECT_EQ(askToolTip(), QString()) << "not the caption";
}
