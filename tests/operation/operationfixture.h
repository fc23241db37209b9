#pragma once

#include "core/appcontext.h"
#include "core/memo.h"
#include "core/projectdocument.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include "support/testhome.h"

// A test home with an open project (warnings on) whose data directory is <home>/data,
// with its "OperationData" folder, and file helpers.
class OperationFixture : public ::testing::Test {
protected:
    OperationFixture()
    {
        auto project = TXMLProjectType::NewProjectDocument();
        project->SetRootDirectory(m_home.file("data"));
        project->SetOutputWarning(1);
        App().setCurrentProject(std::move(project));
        QDir().mkpath(folder());
    }

    QString folder() const { return m_home.file("data/OperationData"); }
    QString path(const QString& name) const { return folder() + "/" + name; }
    QByteArray read(const QString& name) const { return FileBytes(path(name)); }
    void write(const QString& name, const QByteArray& bytes) const { ASSERT_TRUE(WriteFileBytes(path(name), bytes)); }
    QStringList files() const { return QDir(folder()).entryList(QDir::Files | QDir::Hidden, QDir::Name); }
    // The operation log without the tick count prefixes.
    QStringList log() const
    {
        QStringList lines;
        for (const QString& line : App().operationLog().lines())
            lines << line.section(": ", 1, -1);
        return lines;
    }
    TScriptedPrompter& prompter() { return m_home.prompter(); }

    TTestHome m_home;
};
