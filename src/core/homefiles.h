#pragma once

#include "core/appcontext.h"

#include <QString>

// Files of the tool's home directory.
inline QString HomeFilePath(const QString& name)
{
    return App().homeDirectory + QLatin1Char('/') + name;
}
inline QString GlobalSettingsPath() { return HomeFilePath(QStringLiteral("Calverdine.ini")); }
inline QString ShortcutKeyPath() { return HomeFilePath(QStringLiteral("CalverdineShortcutKey.ini")); }
inline QString KnownProjectsPath() { return HomeFilePath(QStringLiteral("CalverdineProjects.ini")); }
