#pragma once

#include "support/scriptedprompter.h"

#include <QString>
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
