#include "core/commandlist.h"

#include <QAction>

TCommandList::TCommandList(QObject* parent) : QObject(parent) {}

TCommandList::~TCommandList() = default;

QAction* TCommandList::add(const QString& name, const QString& category, const QString& caption,
                           const QKeySequence& shortcut)
{
    if (QAction* existing = m_actions.value(name))
        return existing;
    auto* a = new QAction(caption, this);
    a->setObjectName(name);
    if (!shortcut.isEmpty())
        a->setShortcut(shortcut);
    m_names << name;
    m_actions.insert(name, a);
    m_categories.insert(name, category);
    return a;
}

QAction* TCommandList::action(const QString& name) const
{
    return m_actions.value(name);
}

QAction* TCommandList::claim(const QString& name, const QString& owner)
{
    QAction* a = m_actions.value(name);
    if (a)
        m_owners.insert(name, owner);
    return a;
}

QStringList TCommandList::categories() const
{
    QStringList result;
    for (const QString& n : m_names) {
        const QString c = m_categories.value(n);
        if (!result.contains(c))
            result << c;
    }
    return result;
}

QString CaptionBeforeParenthesis(const QString& caption)
{
    const qsizetype p = caption.indexOf(QLatin1Char('('));
    return p < 0 ? caption : caption.left(p);
}

void SetCommandHint(QAction* action, const QString& hint)
{
    if (!action)
        return;
    action->setProperty("hint", hint);
    action->setToolTip(hint);
}

QString CommandHint(const QAction* action)
{
    if (!action)
        return QString();
    const QVariant hint = action->property("hint");
    return hint.isValid() ? hint.toString() : action->toolTip();
}

void SetCommandEnabled(QAction* action, bool enabled)
{
    if (action)
        action->setEnabled(enabled);
}
