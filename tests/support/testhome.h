#pragma once

#include "support/scriptedprompter.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

// A fresh application state for one test: an empty temporary home directory, a scripted
// prompter installed in the application context, and everything reset afterwards.
class TTestHome {
public:
    TTestHome();
    ~TTestHome();

    QString path() const { return m_dir.path(); }
    QString file(const QString& relative) const { return m_dir.filePath(relative); }
    TScriptedPrompter& prompter() { return *m_prompter; }

private:
    QTemporaryDir m_dir;
    std::unique_ptr<TScriptedPrompter> m_prompter;
};

// The bytes of a file, or "<missing>" when it cannot be read.
QByteArray FileBytes(const QString& path);
// Writes the file, making its folder first; false when it cannot.
bool WriteFileBytes(const QString& path, const QByteArray& bytes);
// The errors of the operation log, each with the line of its detail after a newline.
QStringList LoggedErrors();
