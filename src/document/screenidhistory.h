#pragma once

#include <QSet>
#include <QString>
#include <QStringList>

// Every screen ID a parse has produced in this run, in order of first appearance, each
// once without regard to letter case. App().service<TScreenIDHistory>().
class TScreenIDHistory {
public:
    void add(const QString& screenId);
    const QStringList& items() const { return m_items; }
    void clear()
    {
        m_items.clear();
        m_folded.clear();
    }

private:
    QStringList m_items;
    QSet<QString> m_folded;
};
