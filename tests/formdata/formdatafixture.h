#pragma once

#include "core/appcontext.h"
#include "core/projectdocument.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include "support/testhome.h"


// A test home with an open project whose data directory is <home>/data, and file helpers.
class FormDataFixture : public ::testing::Test {
protected:
    FormDataFixture()
    {
        auto project = TXMLProjectType::NewProjectDocument();
        project->SetRootDirectory(m_home.file("data"));
        App().setCurrentProject(std::move(project));
        QDir().mkpath(m_home.file("data/FormData"));
        QDir().mkpath(m_home.file("data/FormDefine"));
    }

    QString path(const QString& relative) const { return m_home.file("data/" + relative); }
    QByteArray read(const QString& relative) const { return FileBytes(path(relative)); }
    void write(const QString& relative, const QByteArray& bytes) const { ASSERT_TRUE(WriteFileBytes(path(relative), bytes)); }
    QStringList files(const QString& folder) const { return QDir(path(folder)).entryList(QDir::Files | QDir::Hidden, QDir::Name); }
    TScriptedPrompter& prompter() { return m_home.prompter(); }

    TTestHome m_home;
};
