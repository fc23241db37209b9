#include "commands/editaction.h"

#include "core/appcontext.h"
#include "core/commandlist.h"
#include "core/tabaccess.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QPointer>

namespace {

QString ClipboardText()
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    return clipboard ? clipboard->text() : QString();
}

} // namespace

TEditAction::TEditAction(QObject* parent) : TActionCalverdine(parent)
{
    setObjectName(QStringLiteral("TEditAction"));
    TCommandList& commands = App().commands();
    m_cut = commands.claim(QStringLiteral("ActionEditCut"), objectName());
    m_copy = commands.claim(QStringLiteral("ActionEditCopy"), objectName());
    m_paste = commands.claim(QStringLiteral("ActionEditPaste"), objectName());
    m_selectAll = commands.claim(QStringLiteral("ActionEditSelectAll"), objectName());
    if (m_cut)
        connect(m_cut, &QAction::triggered, this, [this] { run(0); });
    if (m_copy)
        connect(m_copy, &QAction::triggered, this, [this] { run(1); });
    if (m_paste)
        connect(m_paste, &QAction::triggered, this, [this] { run(2); });
    if (m_selectAll)
        connect(m_selectAll, &QAction::triggered, this, [this] { run(3); });
    handleDisableAll(0);

    for (TEvent e : { TEvent::ProjectNewed, TEvent::ProjectOpened, TEvent::ProjectClosed, TEvent::TabWindowAdded,
                      TEvent::TabWindowWasNothing })
        handle(e, &TEditAction::handleDisableAll);
    handle(TEvent::TabWindowActivated, &TEditAction::handleTabActivated);
    handle(TEvent::BrowserCommandTextSelected, &TEditAction::handleTextSelected);
    handle(TEvent::BrowserCommandTextUnSelected, &TEditAction::handleTextUnselected);
    handle(TEvent::BrowserCommandTextInputForcused, &TEditAction::handleInputFocused);
    handle(TEvent::BrowserCommandTextInputUnForcused, &TEditAction::handleInputUnfocused);
    handle(TEvent::BrowserDocumentCompleted, &TEditAction::handleDocumentCompleted);
}

TEditAction::~TEditAction()
{
    for (const auto& c : m_waits)
        disconnect(c);
}

void TEditAction::handleDisableAll(int)
{
    for (QAction* a : { m_cut, m_copy, m_paste, m_selectAll })
        SetCommandEnabled(a, false);
    refreshHints();
}

void TEditAction::handleTabActivated(int)
{
    TTabView* tab = CurrentTabView();
    const bool selection = tab && !tab->SelectedText().isEmpty();
    const bool focus = tab && tab->EditFocus();
    SetCommandEnabled(m_cut, focus && selection);
    SetCommandEnabled(m_copy, selection);
    SetCommandEnabled(m_paste, focus);
    SetCommandEnabled(m_selectAll, tab && tab->IsHtmlDocument());
    refreshHints();
}

void TEditAction::handleTextSelected(int)
{
    TTabView* tab = CurrentTabView();
    SetCommandEnabled(m_copy, true);
    if (tab && tab->EditFocus())
        SetCommandEnabled(m_cut, true);
    refreshHints();
}

void TEditAction::handleTextUnselected(int)
{
    SetCommandEnabled(m_cut, false);
    SetCommandEnabled(m_copy, false);
    // The drop-down of the copy history stays usable.
    if (!m_copyEntries.isEmpty())
        SetCommandEnabled(m_copy, true);
    refreshHints();
}

void TEditAction::handleInputFocused(int)
{
    SetCommandEnabled(m_paste, true);
    refreshHints();
}

void TEditAction::handleInputUnfocused(int)
{
    SetCommandEnabled(m_cut, false);
    SetCommandEnabled(m_paste, false);
    refreshHints();
}

void TEditAction::handleDocumentCompleted(int)
{
    TTabView* tab = CurrentTabView();
    SetCommandEnabled(m_selectAll, tab && tab->IsHtmlDocument());
    refreshHints();
}

void TEditAction::refreshHints()
{
    if (m_copy) {
        QString hint;
        if (m_copy->isEnabled()) {
            hint = CaptionBeforeParenthesis(m_copy->text());
            for (QAction* entry : m_copyEntries) {
                if (entry->isChecked())
                    hint = CaptionBeforeParenthesis(entry->text());
            }
        }
        SetCommandHint(m_copy, hint);
    }
    if (m_paste)
        SetCommandHint(m_paste, m_paste->isEnabled() ? CaptionBeforeParenthesis(m_paste->text()) : QString());
}

void TEditAction::run(int command)
{
    TTabView* tab = CurrentTabView();
    if (!tab)
        return;
    // Watch the clipboard before the page changes it.
    if (command == 0 || command == 1)
        updateHistoryLater(CopyKind);
    else if (command == 2)
        updateHistoryLater(PasteKind);
    tab->ExecEditCommand(TTabView::EditCommand(command));
}

void TEditAction::updateHistoryLater(Kind kind)
{
    // The page puts its text on the clipboard a moment later (the engine works in another
    // process); the history is read when the clipboard changed, or after a while anyway
    // (a paste, or a copy of what the clipboard already holds, changes nothing).
    QClipboard* clipboard = QGuiApplication::clipboard();
    auto done = std::make_shared<bool>(false);
    auto timer = new QTimer(this);
    timer->setSingleShot(true);
    QPointer<TEditAction> self(this);
    auto finish = [self, kind, done, timer] {
        if (*done || !self)
            return;
        *done = true;
        timer->deleteLater();
        self->updateHistory(kind);
    };
    if (clipboard && kind == CopyKind) {
        auto connection = std::make_shared<QMetaObject::Connection>();
        *connection = connect(clipboard, &QClipboard::dataChanged, this, [finish, connection] {
            QObject::disconnect(*connection);
            finish();
        });
        connect(timer, &QTimer::timeout, this, [connection] { QObject::disconnect(*connection); });
    }
    connect(timer, &QTimer::timeout, this, finish);
    timer->start(kind == CopyKind ? kClipboardWaitMs : 100);
}

void TEditAction::updateHistory(Kind kind)
{
    const QString text = ClipboardText();
    TClipboardHistory& history = kind == CopyKind ? m_copyHistory : m_pasteHistory;
    if (text.isEmpty() || !history.Add(text)) {
        Q_EMIT menuChanged(kind);
        return;
    }
    QAction* command = kind == CopyKind ? m_copy : m_paste;
    if (command)
        SetCommandHint(command, CaptionBeforeParenthesis(command->text()));
    rebuildMenu(kind, text);
}

void TEditAction::rebuildMenu(Kind kind, const QString& current)
{
    QList<QAction*>& entries = kind == CopyKind ? m_copyEntries : m_pasteEntries;
    const TClipboardHistory& history = kind == CopyKind ? m_copyHistory : m_pasteHistory;
    QAction* command = kind == CopyKind ? m_copy : m_paste;
    qDeleteAll(entries);
    entries.clear();
    const QList<TClipboardHistory::MenuEntry> model = history.MenuEntries(current);
    for (int i = 0; i < model.size(); ++i) {
        auto* entry = new QAction(model.at(i).caption, this);
        entry->setData(int(kind));
        entry->setCheckable(true);
        entry->setChecked(model.at(i).checked);
        connect(entry, &QAction::triggered, this, [this, kind, i] { ChooseEntry(kind, i); });
        entries.append(entry);
        if (model.at(i).checked && command)
            SetCommandHint(command, CaptionBeforeParenthesis(entry->text()));
    }
    Q_EMIT menuChanged(kind);
}

void TEditAction::ChooseEntry(Kind kind, int index)
{
    const TClipboardHistory& history = kind == CopyKind ? m_copyHistory : m_pasteHistory;
    if (index < 0 || index >= history.Count())
        return;
    const QString text = history.At(index);
    if (QClipboard* clipboard = QGuiApplication::clipboard())
        clipboard->setText(text);
    if (kind == PasteKind) {
        if (TTabView* tab = CurrentTabView()) {
            updateHistoryLater(PasteKind);
            tab->ExecEditCommand(TTabView::EditCommand::Paste);
        }
        return;
    }
    for (int i = 0; i < m_copyEntries.size(); ++i)
        m_copyEntries.at(i)->setChecked(i == index);
    refreshHints();
    Q_EMIT menuChanged(kind);
}
