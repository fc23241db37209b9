#include "commands/clipboardhistory.h"
#include "commands/editaction.h"
#include "core/appcontext.h"
#include "core/commandlist.h"
#include "core/eventbus.h"
#include "support/faketabs.h"
#include "support/testhome.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QSignalSpy>

#include <gtest/gtest.h>

namespace {

QStringList Captions(const TClipboardHistory& history, const QString& current)
{
    QStringList result;
    for (const auto& entry : history.MenuEntries(current))
        result << entry.caption + (entry.checked ? QStringLiteral(" *") : QString());
    return result;
}

TEST(ClipboardHistory, MenuRules)
{
    struct Case {
        const char* name;
        QStringList copies;
        QStringList expected; // captions of the menu after the last copy, " *" when checked
    };
    const Case cases[] = {
        { "FirstTenCharactersTrimmed", { "  abcdefghijkl" }, { "abcdefgh(&1) *" } },
        { "ControlCharactersTrimmedToo", { "\t\nxy\r\n" }, { "xy(&1) *" } },
        { "OlderEntryKeepsItsPlaceAndIsChecked", { "one", "two", "one" }, { "one(&1) *", "two(&2)" } },
        { "EmptyTextChangesNothing", { "one", "" }, { "one(&1)" } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TClipboardHistory history;
        for (const QString& text : c.copies)
            history.Add(text);
        EXPECT_EQ(Captions(history, c.copies.last()), c.expected);
    }
}

TEST(ClipboardHistory, AcceleratorsRunOutAfterThirtySix)
{
    struct Case {
        int index;
        QString caption;
    };
    const Case cases[] = { { 0, "t(&1)" }, { 8, "t(&9)" }, { 9, "t(&0)" }, { 10, "t(&A)" }, { 35, "t(&Z)" }, { 36, "t" }, { 40, "t" } };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.index);
        EXPECT_EQ(TClipboardHistory::EntryCaption(QStringLiteral("t"), c.index), c.caption);
    }
}

class EditActionTest : public ::testing::Test {
protected:
    EditActionTest()
    {
        if (!App().commands().action(QStringLiteral("ActionEditCopy")))
            BuildCommandCatalogue(App().commands());
        auto owned = std::make_unique<TEditAction>();
        edit = owned.get();
        App().bus().AddListener(std::move(owned));
        tab = &tabs.add(1);
        tab->html = true;
        // The page puts its selection on the clipboard, as the engine does.
        tab->onEdit = [this](TTabView::EditCommand command) {
            if (command == TTabView::EditCommand::Copy || command == TTabView::EditCommand::Cut) {
                if (pageCopiesImage) {
                    QImage image(4, 4, QImage::Format_RGB32);
                    image.fill(Qt::red);
                    QGuiApplication::clipboard()->setImage(image);
                } else {
                    QGuiApplication::clipboard()->setText(tab->selectedText);
                }
            }
        };
    }

    QAction* command(const char* name) { return App().commands().action(QString::fromLatin1(name)); }
    // Copies the text as the page's selection and waits for the history update.
    void copy(const QString& text)
    {
        tab->selectedText = text;
        App().bus().NotifyBrowserCommandTextSelected(1);
        QSignalSpy spy(edit, &TEditAction::menuChanged);
        command("ActionEditCopy")->trigger();
        ASSERT_TRUE(spy.count() > 0 || spy.wait(5000));
    }
    QStringList copyMenu()
    {
        QStringList result;
        for (QAction* a : edit->MenuActions(TEditAction::CopyKind))
            result << a->text() + (a->isChecked() ? QStringLiteral(" *") : QString());
        return result;
    }

    TTestHome home;
    TFakeTabs tabs;
    TFakeTab* tab = nullptr;
    TEditAction* edit = nullptr;
    bool pageCopiesImage = false;
};

TEST_F(EditActionTest, CopiesBuildTheHistoryFromTheRealClipboard)
{
    copy(QStringLiteral("abc"));
    copy(QStringLiteral("abc"));
    EXPECT_EQ(copyMenu(), QStringList { "abc(&1) *" });
    EXPECT_EQ(CommandHint(command("ActionEditCopy")), QStringLiteral("abc"));
    copy(QStringLiteral("second"));
    copy(QStringLiteral("ABC"));
    EXPECT_EQ(copyMenu(), (QStringList { "abc(&1)", "second(&2)" }));

    pageCopiesImage = true;
    copy(QStringLiteral("ignored"));
    EXPECT_EQ(copyMenu(), (QStringList { "abc(&1)", "second(&2)" })) << "an image leaves history and menu alone";
    EXPECT_EQ(tab->calls.count(QStringLiteral("Edit:1")), 5);
}

TEST_F(EditActionTest, ChoosingEntries)
{
    copy(QStringLiteral("first"));
    copy(QStringLiteral("second"));
    edit->ChooseEntry(TEditAction::CopyKind, 0);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("first"));
    EXPECT_EQ(copyMenu(), (QStringList { "first(&1) *", "second(&2)" }));
    EXPECT_FALSE(tab->calls.contains(QStringLiteral("Edit:2"))) << "a copy entry does not paste";

    // A paste fills the paste history; choosing its entry pastes at once.
    QGuiApplication::clipboard()->setText(QStringLiteral("pasted"));
    App().bus().NotifyBrowserCommandTextInputForcused(1);
    QSignalSpy spy(edit, &TEditAction::menuChanged);
    command("ActionEditPaste")->trigger();
    ASSERT_TRUE(spy.wait(5000));
    QGuiApplication::clipboard()->setText(QStringLiteral("other"));
    tab->calls.clear();
    edit->ChooseEntry(TEditAction::PasteKind, 0);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("pasted"));
    EXPECT_EQ(tab->calls, QStringList { "Edit:2" });
}

TEST_F(EditActionTest, CopyStaysOfferedWithAHistoryAndNoSelection)
{
    TEventBus& bus = App().bus();
    bus.NotifyBrowserDocumentCompleted(1);
    // With a copy history the copy command stays enabled for its drop-down.
    copy(QStringLiteral("kept"));
    tab->selectedText.clear();
    bus.NotifyBrowserCommandTextUnSelected(1);
    EXPECT_TRUE(command("ActionEditCopy")->isEnabled());
    EXPECT_EQ(CommandHint(command("ActionEditCopy")), QStringLiteral("kept"));
}

} // namespace
