// Saves in separate processes: two at once on one project, and saves stopped or failed at
// each write step by the fault-injection library.
#include "core/inifile.h"
#include "formdata/formdatafilecommand.h"
#include "formdata/formvaluelist.h"
#include "support/testhome.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>
#include <map>

namespace {

struct Fault {
    QString calls;  // counted calls, empty for all
    int at = 0;     // 0: no fault
    bool kill = false;
    int errorNumber = EIO;
};

QProcess* startProbe(const QString& folder, const QString& screen, int first, int sets, int fields, const QString& prefix,
                     const Fault& fault = {})
{
    auto* process = new QProcess;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    if (fault.at > 0) {
        env.insert("LD_PRELOAD", FAULT_SHIM);
        env.insert("CALVERDINE_FAULT_DIR", folder);
        env.insert("CALVERDINE_FAULT_AT", QString::number(fault.at));
        env.insert("CALVERDINE_FAULT_CALLS", fault.calls);
        env.insert("CALVERDINE_FAULT_ACTION", fault.kill ? "kill" : "fail");
        env.insert("CALVERDINE_FAULT_ERRNO", QString::number(fault.errorNumber));
    }
    process->setProcessEnvironment(env);
    process->start(STOREDFILE_PROBE, { folder, screen, QString::number(first), QString::number(sets), QString::number(fields), prefix });
    return process;
}

// Exit code of a finished probe, -1 when it was killed.
int runProbe(const QString& folder, const QString& screen, int first, int sets, int fields, const QString& prefix,
             const Fault& fault = {})
{
    std::unique_ptr<QProcess> process(startProbe(folder, screen, first, sets, fields, prefix, fault));
    EXPECT_TRUE(process->waitForFinished(60000));
    return process->exitStatus() == QProcess::CrashExit ? -1 : process->exitCode();
}

// The sets the index lists: data ID -> name.
std::map<int, QString> listed(const QString& folder, const QString& screen)
{
    TIniFile index(folder + "/FormData/" + screen + ".ini");
    EXPECT_TRUE(index.load());
    std::map<int, QString> sets;
    for (const QString& key : index.keyNames("Info"))
        sets[key.toInt()] = index.readString("Info", key);
    return sets;
}

// The values of a data file, or nothing when it is missing or does not parse.
std::optional<TFormValueList> values(const QString& folder, int dataId)
{
    const QString path = folder + "/FormData/" + QString::number(dataId) + ".xml";
    if (!QFile::exists(path))
        return std::nullopt;
    TFormValueList list;
    if (!TFormDataFileCommand::ParseDataFile(FileBytes(path), list))
        return std::nullopt;
    return list;
}

// Whether the list holds the probe's values of set i with that prefix.
bool holds(const TFormValueList& list, int set, int fields, const QString& prefix)
{
    if (list.count() != fields)
        return false;
    for (int f = 0; f < fields; ++f) {
        if (list.value(f) != QString("%1 %2 %3").arg(prefix).arg(set).arg(f))
            return false;
    }
    return true;
}

}

TEST(StoredFaults, TwoProcessesSavingToOneProjectAtOnceLoseNothing)
{
    QTemporaryDir dir;
    const QString folder = dir.path();
    std::unique_ptr<QProcess> a(startProbe(folder, "S", 1, 20, 20, "a"));
    std::unique_ptr<QProcess> b(startProbe(folder, "S", 101, 20, 20, "b"));
    ASSERT_TRUE(a->waitForFinished(60000));
    ASSERT_TRUE(b->waitForFinished(60000));
    EXPECT_EQ(a->exitCode(), 0) << a->readAllStandardError().constData();
    EXPECT_EQ(b->exitCode(), 0) << b->readAllStandardError().constData();
    const QStringList idsA = QString(a->readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    const QStringList idsB = QString(b->readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(idsA.size() + idsB.size(), 40);

    const std::map<int, QString> sets = listed(folder, "S");
    ASSERT_EQ(sets.size(), 40u) << "an entry was lost, or two sets got one data ID";
    for (const auto& [dataId, name] : sets) {
        const int set = name.mid(4).toInt();
        const std::optional<TFormValueList> list = values(folder, dataId);
        ASSERT_TRUE(list) << dataId;
        EXPECT_TRUE(holds(*list, set, 20, set > 100 ? "b" : "a")) << qPrintable(name);
        EXPECT_TRUE(name == QString("set %1").arg(set) && ((set >= 1 && set <= 20) || (set >= 101 && set <= 120)))
            << qPrintable(name);
    }
}

TEST(StoredFaults, AFailedSyncFailsTheSaveAndLeavesTheStoredFilesAsTheyWere)
{
    struct Row {
        const char* name;
        const char* calls;
        int at;  // which of those calls fails
        int set; // 1 is saved again under its ID; 2 is new, its ID written to the last-ID file first
    };
    // The syncs of a save: the data file's, then the index's; the folder's after each rename.
    const Row rows[] = {
        { "data file", "fdatasync", 1, 1 },
        { "index", "fdatasync", 2, 1 },
        { "folder of the data file", "fsync", 1, 1 },
        { "folder of the index", "fsync", 2, 1 },
        { "folder of the data file, new set", "fsync", 2, 2 },
        { "folder of the index, new set", "fsync", 3, 2 },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        QTemporaryDir dir;
        const QString folder = dir.path();
        ASSERT_EQ(runProbe(folder, "S", 1, 1, 5, "old"), 0);
        const QByteArray index = FileBytes(folder + "/FormData/S.ini");
        const int dataId = listed(folder, "S").begin()->first;
        EXPECT_EQ(runProbe(folder, "S", row.set, 1, 5, "new", Fault { row.calls, row.at, false, EIO }), 1)
            << "a save whose data did not reach the disk must fail";
        ASSERT_TRUE(values(folder, dataId));
        EXPECT_TRUE(holds(*values(folder, dataId), 1, 5, "old"));
        const std::map<int, QString> sets = listed(folder, "S");
        if (row.set == 1) {
            EXPECT_EQ(FileBytes(folder + "/FormData/S.ini"), index);
        }
        for (const auto& [id, name] : sets) {
            ASSERT_TRUE(values(folder, id)) << "set " << id << " is listed without values";
            EXPECT_TRUE(id == dataId || holds(*values(folder, id), 2, 5, "new"));
        }
        EXPECT_EQ(QDir(folder + "/FormData").entryList({ "*.xml" }, QDir::Files).size(), qsizetype(sets.size()))
            << "a data file no index line lists was left behind";
    }
}

TEST(StoredFaults, ASaveKilledAtAnyWriteStepLeavesOldOrNewContentAndNoSetWithoutValues)
{
    constexpr int kFields = 10000;
    QTemporaryDir baseDir;
    ASSERT_EQ(runProbe(baseDir.path(), "BIG", 1, 1, kFields, "old"), 0);
    // The files of the folder before the save, restored before each run.
    std::map<QString, QByteArray> baseline;
    for (const QString& sub : { QString(), QString("/FormData") }) {
        for (const QString& name : QDir(baseDir.path() + sub).entryList(QDir::Files | QDir::Hidden))
            baseline[sub + "/" + name] = FileBytes(baseDir.path() + sub + "/" + name);
    }
    const int oldId = listed(baseDir.path(), "BIG").begin()->first;

    int kills = 0;
    for (int step = 1; step < 200; ++step) {
        SCOPED_TRACE(QString("killed at step %1").arg(step).toStdString());
        QTemporaryDir dir;
        const QString folder = dir.path();
        QDir().mkpath(folder + "/FormData");
        for (const auto& [name, bytes] : baseline)
            ASSERT_TRUE(WriteFileBytes(folder + name, bytes));
        // Set 1 is saved again with new values, set 2 is added.
        const int exit = runProbe(folder, "BIG", 1, 2, kFields, "new", Fault { QString(), step, true });
        if (exit == 0)
            break; // the save ran to its end before this step
        ASSERT_EQ(exit, -1);
        ++kills;

        const std::map<int, QString> sets = listed(folder, "BIG");
        ASSERT_TRUE(sets.count(oldId)) << "the existing set is listed";
        for (const auto& [dataId, name] : sets) {
            const std::optional<TFormValueList> list = values(folder, dataId);
            ASSERT_TRUE(list) << "set " << dataId << " is listed without values";
            const int set = name.mid(4).toInt();
            EXPECT_TRUE(holds(*list, set, kFields, "new") || (set == 1 && holds(*list, set, kFields, "old"))) << dataId;
        }
        for (const QString& name : QDir(folder + "/FormData").entryList({ "*.xml" }, QDir::Files)) {
            TFormValueList list;
            EXPECT_TRUE(TFormDataFileCommand::ParseDataFile(FileBytes(folder + "/FormData/" + name), list)) << qPrintable(name);
        }
        // The dead process's lock does not stop the next save.
        ASSERT_EQ(runProbe(folder, "BIG", 1, 2, kFields, "new"), 0);
        const std::map<int, QString> after = listed(folder, "BIG");
        ASSERT_EQ(after.size(), 2u);
        for (const auto& [dataId, name] : after)
            EXPECT_TRUE(holds(*values(folder, dataId), name.mid(4).toInt(), kFields, "new"));
    }
    EXPECT_GE(kills, 6) << "every write, sync and rename of the save was a kill point";
}
