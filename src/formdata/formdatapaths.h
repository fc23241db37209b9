#pragma once

#include <QString>

// Where form data and form definitions live in the project's data directory.

// The current project's data directory; raises TError when no project is open.
QString DataDirectory();
// DataDirectory() + "/FormData", "/FormDefine"
QString FormDataFolder();
QString FormDefineFolder();

// The file base name of a screen ID: the ID itself, except that characters a file name
// cannot hold ("/", "\" and control characters, and the names "." and "..") are written
// as "%" and two hex digits, so content of a page can never name a file elsewhere. A name
// longer than 200 bytes keeps its first 150 bytes followed by "~" and 16 hex digits of a
// digest of the ID, the same for the same ID in every run.
QString ScreenFileName(const QString& screenId);
QString ScreenIdFromFileName(const QString& baseName);

// folder + "/" + screen file name + ".ini"; an existing file whose name differs only in
// letter case is found too.
QString ScreenFilePath(const QString& folder, const QString& screenId);
// ScreenFilePath(FormDataFolder(), screen ID)
QString ScreenIndexPath(const QString& screenId);
// FormDataFolder() + "/" + data ID + ".xml"
QString DataFilePath(int dataId);
// ScreenFilePath(FormDefineFolder(), screen ID)
QString DefinitionPath(const QString& screenId);
