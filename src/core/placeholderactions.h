#pragma once

#include "core/eventbus.h"

#include <QString>
#include <QStringList>

#include <memory>

// The controller of an area whose behaviour is not built yet: it owns the area's commands
// (so every command has its owner) and keeps them disabled. It handles no events.
class TPlaceholderAction final : public TActionCalverdine {
    Q_OBJECT
public:
    TPlaceholderAction(const QString& owner, const QStringList& commands, QObject* parent = nullptr);

    const QString& owner() const { return m_owner; }

private:
    QString m_owner;
};

// The commands a controller owns, by the controller's class name ("TFavoriteAction").
QStringList CommandsOwnedBy(const QString& owner);

// A placeholder for the named controller with the commands it owns.
std::unique_ptr<TActionCalverdine> CreatePlaceholderAction(const QString& owner);
