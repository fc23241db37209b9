#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

class QAction;

// The known projects offered under "プロジェクトを開き直す(&R)": one checkable item per
// project, captioned with the project's name and its position, in the order of
// CalverdineProjects.ini. A process-wide service: App().service<TMainMenuCommand>().
class TMainMenuCommand : public QObject {
    Q_OBJECT
public:
    TMainMenuCommand();
    ~TMainMenuCommand() override;

    QList<QAction*> items() const { return m_items; }
    const QStringList& paths() const { return m_paths; }

    // Replaces every item: names[i] with the path paths[i].
    void rebuild(const QStringList& names, const QStringList& paths);
    // Checks each item whose path equals the path exactly, unchecks the others.
    void check(const QString& path);
    void uncheckAll();

Q_SIGNALS:
    void itemsChanged();
    // An item was chosen: reopen the project of that path.
    void reopenRequested(const QString& path);

private:
    void applyChecks();

    QList<QAction*> m_items;
    QStringList m_paths;
    QString m_checkedPath;
};

// The caption of the known-projects item at a position: name + "(&" + (index + 1) + ")".
QString KnownProjectCaption(const QString& name, int index);
