#include "project/mainmenucommand.h"

#include <QAction>

TMainMenuCommand::TMainMenuCommand() = default;

TMainMenuCommand::~TMainMenuCommand() = default;

QString KnownProjectCaption(const QString& name, int index)
{
    QString shown = name;
    // An ampersand of the name is shown as itself, not as an accelerator mark.
    shown.replace(QLatin1Char('&'), QLatin1String("&&"));
    return shown + QStringLiteral("(&") + QString::number(index + 1) + QLatin1Char(')');
}

void TMainMenuCommand::rebuild(const QStringList& names, const QStringList& paths)
{
    // An item may be rebuilt from inside its own triggered signal: delete the old ones later.
    for (QAction* a : std::as_const(m_items)) {
        a->disconnect(this);
        a->deleteLater();
    }
    m_items.clear();
    m_paths.clear();
    const int count = int(std::min(names.size(), paths.size()));
    for (int i = 0; i < count; ++i) {
        auto* a = new QAction(KnownProjectCaption(names.at(i), i), this);
        a->setCheckable(true);
        a->setData(i);
        const QString path = paths.at(i);
        connect(a, &QAction::triggered, this, [this, path] {
            // Choosing an item toggles its mark; the mark follows the open project instead.
            applyChecks();
            Q_EMIT reopenRequested(path);
        });
        m_items << a;
        m_paths << path;
    }
    applyChecks();
    Q_EMIT itemsChanged();
}

void TMainMenuCommand::check(const QString& path)
{
    m_checkedPath = path;
    applyChecks();
}

void TMainMenuCommand::uncheckAll()
{
    m_checkedPath.clear();
    applyChecks();
}

void TMainMenuCommand::applyChecks()
{
    for (int i = 0; i < m_items.size(); ++i)
        m_items.at(i)->setChecked(!m_checkedPath.isEmpty() && m_paths.at(i) == m_checkedPath);
}
