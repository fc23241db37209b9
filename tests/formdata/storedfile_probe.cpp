// A separate process that saves form data sets into a project's data folder the way the
// program does, for the tests of concurrent saves and of saves killed half-way.
//   storedfile_probe <data folder> <screen ID> <first set> <sets> <fields> <value prefix>
// Saves <sets> sets: set number i (from <first set>) is named "set <i>" and holds <fields>
// values "<value prefix> <i> <field>"; a set whose name the screen already lists is saved
// again under its data ID, any other gets a new ID. Prints each data ID; exit 0 when all
// were saved, 1 otherwise.
#include "core/appcontext.h"
#include "core/error.h"
#include "core/fileidallocator.h"
#include "core/inifile.h"
#include "core/projectdocument.h"
#include "formdata/formdatafilecommand.h"
#include "formdata/formdatapaths.h"
#include "formdata/formvaluelist.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    const QStringList args = application.arguments();
    if (args.size() != 7) {
        QTextStream(stderr) << "usage: storedfile_probe FOLDER SCREEN FIRST SETS FIELDS PREFIX\n";
        return 2;
    }
    auto project = TXMLProjectType::NewProjectDocument();
    project->SetRootDirectory(args[1]);
    App().setCurrentProject(std::move(project));
    const QString screenId = args[2];
    const int first = args[3].toInt(), sets = args[4].toInt(), fields = args[5].toInt();
    TFormDataFileCommand command([](const QString&) { return QStringLiteral("text"); });
    QTextStream out(stdout);
    try {
        for (int i = first; i < first + sets; ++i) {
            const QString name = QStringLiteral("set %1").arg(i);
            TIniFile index(ScreenIndexPath(screenId));
            index.load();
            int dataId = 0;
            for (const QString& key : index.keyNames(QStringLiteral("Info"))) {
                if (index.readString(QStringLiteral("Info"), key) == name)
                    dataId = key.toInt();
            }
            if (dataId == 0)
                dataId = AllocateFileId();
            TFormValueList values;
            for (int f = 0; f < fields; ++f)
                values.append(QStringLiteral("//form/field%1").arg(f), QStringLiteral("%1 %2 %3").arg(args[6]).arg(i).arg(f));
            if (!command.SaveData(screenId, dataId, name, values))
                return 1;
            out << dataId << Qt::endl;
        }
    } catch (...) {
        QTextStream(stderr) << CurrentExceptionMessage() << '\n';
        return 1;
    }
    return 0;
}
