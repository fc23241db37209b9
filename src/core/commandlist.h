#pragma once

#include <QHash>
#include <QKeySequence>
#include <QObject>
#include <QString>
#include <QStringList>

class QAction;

// The command list of the main window: one QAction per command, with the command's name,
// category and caption. Controllers claim the commands of their area (which records them
// as the owner) and connect them; menus and tool bars show them.
class TCommandList : public QObject {
    Q_OBJECT
public:
    explicit TCommandList(QObject* parent = nullptr);
    ~TCommandList() override;

    QAction* add(const QString& name, const QString& category, const QString& caption,
                 const QKeySequence& shortcut = QKeySequence());

    // The command, or nullptr when the list has none of that name.
    QAction* action(const QString& name) const;
    // The command, recorded as owned by the controller; nullptr when it does not exist.
    QAction* claim(const QString& name, const QString& owner);

    QString owner(const QString& name) const { return m_owners.value(name); }
    QString category(const QString& name) const { return m_categories.value(name); }
    const QStringList& names() const { return m_names; }
    QStringList categories() const;

private:
    QStringList m_names;
    QHash<QString, QAction*> m_actions;
    QHash<QString, QString> m_categories;
    QHash<QString, QString> m_owners;
};

// Enables or disables the command; nothing when it is absent.
void SetCommandEnabled(QAction* action, bool enabled);

// The caption up to its first "(" (tool tips of several commands are made this way).
QString CaptionBeforeParenthesis(const QString& caption);

// A command's hint (its tool tip). An empty hint shows no tool tip at all; QAction's own
// tool tip falls back to the caption, so the hint is kept in the "hint" property as well.
void SetCommandHint(QAction* action, const QString& hint);
// The hint last set, or the action's tool tip when none was ever set.
QString CommandHint(const QAction* action);

// Fills the list with every command of the application, in catalogue order.
void BuildCommandCatalogue(TCommandList& list);
