#pragma once

#include "commands/clipboardhistory.h"
#include "core/eventbus.h"

#include <QList>
#include <QTimer>

class QAction;

// The edit controller: cut, copy, paste and select all on the current tab's page through
// the engine's own edit commands, and the histories of the texts seen on the clipboard
// after copies and pastes, offered again by the drop-down menus of the copy and paste
// tool buttons.
class TEditAction final : public TActionCalverdine {
    Q_OBJECT
public:
    enum Kind { CopyKind = 1, PasteKind = 2 };
    // How long a copy or paste may take to reach the clipboard before it is read anyway.
    static constexpr int kClipboardWaitMs = 1000;

    explicit TEditAction(QObject* parent = nullptr);
    ~TEditAction() override;

    const TClipboardHistory& CopyHistory() const { return m_copyHistory; }
    const TClipboardHistory& PasteHistory() const { return m_pasteHistory; }
    // The entries of a drop-down menu (owned by the controller; each carries its kind as data).
    QList<QAction*> MenuActions(Kind kind) const { return kind == CopyKind ? m_copyEntries : m_pasteEntries; }
    // Chooses the entry at the position of a drop-down menu.
    void ChooseEntry(Kind kind, int index);

Q_SIGNALS:
    // The drop-down menu of the kind was rebuilt (also when a history update found no text).
    void menuChanged(int kind);

private:
    void handleDisableAll(int);
    void handleTabActivated(int);
    void handleTextSelected(int);
    void handleTextUnselected(int);
    void handleInputFocused(int);
    void handleInputUnfocused(int);
    void handleDocumentCompleted(int);
    void refreshHints();
    void run(int command);
    void updateHistoryLater(Kind kind);
    void updateHistory(Kind kind);
    void rebuildMenu(Kind kind, const QString& current);

    TClipboardHistory m_copyHistory;
    TClipboardHistory m_pasteHistory;
    QList<QAction*> m_copyEntries;
    QList<QAction*> m_pasteEntries;
    QAction* m_cut = nullptr;
    QAction* m_copy = nullptr;
    QAction* m_paste = nullptr;
    QAction* m_selectAll = nullptr;
    QString m_copyHint;
    QString m_pasteHint;
    QList<QMetaObject::Connection> m_waits;
};
