#pragma once

#include "core/appcontext.h"
#include "core/memo.h"
#include "document/calverdinedocument.h"
#include "document/pagesnapshot.h"
#include "document/support/snapshotbuilder.h"
#include "core/projectdocument.h"
#include "support/testhome.h"

#include <QStringList>

#include <gtest/gtest.h>

#include <memory>

// A test home with an open project whose warnings are logged, so tests can read them.
class TDocumentTestHome : public TTestHome {
public:
    TDocumentTestHome()
    {
        auto project = TXMLProjectType::NewProjectDocument();
        project->ApplyNewProjectValues(QStringLiteral("P"), path());
        project->SetOutputWarning(1);
        App().setCurrentProject(std::move(project));
    }

    // The log lines without their tick count prefix.
    static QStringList logLines()
    {
        QStringList lines;
        for (const QString& line : App().operationLog().lines())
            lines.append(line.mid(line.indexOf(QLatin1String(": ")) + 2));
        return lines;
    }
};

// The model of a snapshot, under the address of its top document.
inline std::unique_ptr<TCalverdineDocument> parseModel(const std::shared_ptr<TPageSnapshot>& snapshot,
                                                       const TScreenIDSettings& settings = {})
{
    auto model = std::make_unique<TCalverdineDocument>(snapshot->topDocument()->url());
    model->Parse(snapshot, settings);
    return model;
}

inline QStringList formPartPaths(const TCalverdineDocument& model)
{
    QStringList paths;
    for (int i = 0; i < model.FormParts().count(); ++i)
        paths.append(model.FormParts().keyAt(i));
    return paths;
}

// A test of one page built by calls, its top document at a local address.
class TPageTest : public ::testing::Test {
protected:
    std::unique_ptr<TCalverdineDocument> parse(const TScreenIDSettings& settings = {}) const
    {
        return parseModel(builder.build(), settings);
    }

    TDocumentTestHome home;
    TSnapshotBuilder builder;
    TSnapshotBuilder::Doc& top = builder.document("http://localhost/index.html");
};
