#pragma once

#include <QString>
#include <QStringList>

#include <memory>

class QLockFile;

// What the command line asks for: calverdine [--home DIR] [--unattended] [--verbose] [PROJECT.xml]
struct TCommandLine {
    QString homeDirectory; // --home DIR, else CALVERDINE_HOME, else empty (the per-user folder)
    QString projectFile;   // a project file to open instead of Global/DefaultProject
    bool unattended = false;
    bool verbose = false; // --verbose: the engine's own messages reach standard error
    bool help = false;
    bool version = false;
    QString error; // set when the arguments cannot be understood
};

// Parses the program's arguments (without the program name). The environment's home
// directory is used when no --home is given.
TCommandLine ParseCommandLine(const QStringList& arguments, const QString& environmentHome);
QString CommandLineUsage();

// The per-user home directory of the tool: the generic data folder + "/Calverdine".
QString DefaultHomeDirectory();

// Sets App().homeDirectory to the directory. When it does not exist yet or is empty, asks whether to
// create it; on Yes creates it with the default project (current and unsaved) and writes
// Global/DefaultProject to Calverdine.ini. Raises TError "please create home directory"
// (home directory left empty, nothing created) on any other answer.
void ResolveHomeDirectory(const QString& directory);

// One running instance per home directory: a lock file in it. A lock left by a process
// that no longer runs is taken over.
class TSingleInstance {
public:
    explicit TSingleInstance(const QString& homeDirectory);
    ~TSingleInstance();
    TSingleInstance(const TSingleInstance&) = delete;
    TSingleInstance& operator=(const TSingleInstance&) = delete;

    // False when another running instance holds the lock.
    bool acquire();
    void release();

private:
    std::unique_ptr<QLockFile> m_lock;
    bool m_held = false;
};

// The project file named on the command line; it is opened at start-up instead of
// Global/DefaultProject.
void SetStartupProjectFile(const QString& path);

// The start-up project step of the main window's creation. After a first run (the default
// project was created in memory) writes the project file (error dialog "ファイルが保存できま
// せんでした" on failure) and returns false: no layout is to be read. Otherwise sets
// App().projectFileName to the command line's project file, else Global/DefaultProject,
// else the default path, and returns true.
bool StartupPrepareProject();

// Reads one integer of Calverdine.ini afresh; the default when the file or key is missing
// or unreadable.
int ReadGlobalInteger(const QString& section, const QString& key, int defaultValue);

// Reads a key of CalverdineShortcutKey.ini (section ShortCutKey); a missing key or the
// stored value 9999 gives the default.
int ReadShortcutKey(const QString& key, int defaultValue);

// The path of the default project file of the home directory: home + "/" + name + ".xml".
QString DefaultProjectFilePath(const QString& projectName = QStringLiteral("DefaultProject"));
