#include "core/startup.h"

#include "core/appcontext.h"
#include "core/error.h"
#include "core/homefiles.h"
#include "core/inifile.h"
#include "core/log.h"
#include "core/prompter.h"
#include "core/safefile.h"
#include "core/projectdocument.h"

#include <QDir>
#include <QFileInfo>
#include <QLockFile>
#include <QStandardPaths>

namespace Internal {
// The start-up choices that live as long as the application state.
struct TStartupState {
    QString projectFile;
};
}

namespace {

const QString kDefaultProjectName = QStringLiteral("DefaultProject");

QString absolutePath(const QString& path)
{
    return path.isEmpty() ? path : QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

} // namespace

TCommandLine ParseCommandLine(const QStringList& arguments, const QString& environmentHome)
{
    TCommandLine result;
    bool optionsEnded = false;
    for (int i = 0; i < arguments.size(); ++i) {
        const QString& a = arguments.at(i);
        if (!optionsEnded && a == QLatin1String("--")) {
            optionsEnded = true;
        } else if (!optionsEnded && (a == QLatin1String("--help") || a == QLatin1String("-h"))) {
            result.help = true;
        } else if (!optionsEnded && (a == QLatin1String("--version") || a == QLatin1String("-v"))) {
            result.version = true;
        } else if (!optionsEnded && a == QLatin1String("--unattended")) {
            result.unattended = true;
        } else if (!optionsEnded && a == QLatin1String("--verbose")) {
            result.verbose = true;
        } else if (!optionsEnded && a == QLatin1String("--home")) {
            if (i + 1 >= arguments.size() || arguments.at(i + 1).isEmpty()) {
                result.error = QStringLiteral("--home needs a directory");
                return result;
            }
            result.homeDirectory = arguments.at(++i);
        } else if (!optionsEnded && a.startsWith(QLatin1String("--home="))) {
            result.homeDirectory = a.mid(7);
            if (result.homeDirectory.isEmpty()) {
                result.error = QStringLiteral("--home needs a directory");
                return result;
            }
        } else if (!optionsEnded && a.startsWith(QLatin1Char('-')) && a.size() > 1) {
            result.error = QStringLiteral("unknown option: ") + a;
            return result;
        } else if (result.projectFile.isEmpty()) {
            result.projectFile = a;
        } else {
            result.error = QStringLiteral("only one project file can be opened: ") + a;
            return result;
        }
    }
    if (result.homeDirectory.isEmpty())
        result.homeDirectory = environmentHome;
    result.homeDirectory = absolutePath(result.homeDirectory);
    result.projectFile = absolutePath(result.projectFile);
    return result;
}

QString CommandLineUsage()
{
    return QStringLiteral(
        "Usage: calverdine [options] [PROJECT.xml]\n"
        "\n"
        "Opens PROJECT.xml at start-up instead of the default project of the home directory.\n"
        "\n"
        "Options:\n"
        "  --home DIR      use DIR as the home directory (default: $CALVERDINE_HOME,\n"
        "                  else the per-user data folder + /Calverdine)\n"
        "  --unattended    show no dialogs: messages go to standard error, questions are\n"
        "                  answered Yes, file dialogs are cancelled (for scripted runs;\n"
        "                  always so with QT_QPA_PLATFORM=offscreen)\n"
        "  --verbose       let the browser engine's own messages through to standard error\n"
        "  --version       print the version and exit\n"
        "  --help          print this help and exit\n");
}

QString DefaultHomeDirectory()
{
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (base.isEmpty())
        return QString();
    return base + QStringLiteral("/Calverdine");
}

QString DefaultProjectFilePath(const QString& projectName)
{
    return HomeFilePath(projectName + QStringLiteral(".xml"));
}

void ResolveHomeDirectory(const QString& directory)
{
    TAppContext& app = App();
    if (directory.isEmpty()) {
        app.homeDirectory.clear();
        throw TError(QStringLiteral("no per-user data folder was found for the home directory"));
    }
    app.homeDirectory = directory;
    // An empty directory (made beforehand for --home) holds nothing yet: a first run as well.
    if (QFileInfo(directory).isDir()
        && !QDir(directory).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System).isEmpty())
        return;

    TPrompter* prompter = app.prompter();
    const int answer = prompter
        ? prompter->message(QStringLiteral("Application Data に Calverdine が作成されますが、よろしいですか"),
                            QStringLiteral("title"), TPrompter::Buttons::YesNo, TPrompter::Icon::Question)
        : int(TPrompter::No);
    if (answer != TPrompter::Yes) {
        app.homeDirectory.clear();
        throw TError(QStringLiteral("please create home directory"));
    }
    // The per-user data folder itself may not exist yet on a fresh account.
    if (!QDir().mkpath(directory)) {
        app.homeDirectory.clear();
        throw TError(QStringLiteral("cannot create the home directory ") + directory);
    }

    std::unique_ptr<TXMLProjectType> project = TXMLProjectType::NewProjectDocument();
    project->ApplyNewProjectValues(kDefaultProjectName, directory);
    const QString dataDirectory = project->RootDirectory();
    QDir().mkdir(dataDirectory);
    QDir().mkdir(dataDirectory + QStringLiteral("/FormDefine"));
    QDir().mkdir(dataDirectory + QStringLiteral("/FormData"));
    const QString projectName = project->Name();
    app.setCurrentProject(std::move(project));
    app.projectUnsaved = true;

    TIniFile ini(GlobalSettingsPath());
    ini.writeString(QStringLiteral("Global"), QStringLiteral("DefaultProject"), DefaultProjectFilePath(projectName));
    if (!ini.save())
        LogError(QStringLiteral("file save error: ") + ini.fileName());
}

TSingleInstance::TSingleInstance(const QString& homeDirectory)
    : m_lock(std::make_unique<QLockFile>(homeDirectory + QStringLiteral("/Calverdine.lock")))
{
    // Only a lock whose process is gone counts as stale, however old it is.
    m_lock->setStaleLockTime(0);
}

TSingleInstance::~TSingleInstance()
{
    release();
}

bool TSingleInstance::acquire()
{
    if (m_held)
        return true;
    if (m_lock->tryLock(0)) {
        m_held = true;
        return true;
    }
    // A home directory where no lock can be made (read-only) does not keep the tool from
    // starting; only a lock held by a running instance does.
    return m_lock->error() != QLockFile::LockFailedError;
}

void TSingleInstance::release()
{
    if (m_held) {
        m_lock->unlock();
        m_held = false;
    }
}

void SetStartupProjectFile(const QString& path)
{
    App().service<Internal::TStartupState>().projectFile = path;
}

bool StartupPrepareProject()
{
    TAppContext& app = App();
    const QString commandLineProject = app.service<Internal::TStartupState>().projectFile;
    TXMLProjectType* project = app.currentProject();
    if (app.projectUnsaved && project) {
        const QString path = DefaultProjectFilePath(project->Name());
        app.projectFileName = path;
        QString error;
        if (safefile::write(path, project->ProjectXmlText(), safefile::Backup::Copy, &error)) {
            project->setFileName(path);
            // The file now holds the project: opening it at activation finds it unchanged.
            app.projectUnsaved = false;
        } else if (TPrompter* prompter = app.prompter()) {
            // The cause names the file and the system's reason.
            prompter->message(QStringLiteral("ファイルが保存できませんでした") + QLatin1Char('\n') + error, QString(),
                              TPrompter::Buttons::Ok,
                              TPrompter::Icon::Error);
        }
        if (!commandLineProject.isEmpty())
            app.projectFileName = commandLineProject;
        return false;
    }

    if (!commandLineProject.isEmpty()) {
        app.projectFileName = commandLineProject;
        return true;
    }
    TIniFile ini(GlobalSettingsPath());
    ini.load(); // an unreadable file reads as empty: every key takes its default
    const QString stored = ini.readString(QStringLiteral("Global"), QStringLiteral("DefaultProject")).trimmed();
    if (stored.isEmpty())
        app.projectFileName = DefaultProjectFilePath(kDefaultProjectName);
    else // a name written by hand without a folder lies in the home directory
        app.projectFileName = QDir::cleanPath(QDir(app.homeDirectory).absoluteFilePath(stored));
    return true;
}

int ReadGlobalInteger(const QString& section, const QString& key, int defaultValue)
{
    TIniFile ini(GlobalSettingsPath());
    if (!ini.load())
        return defaultValue;
    return ini.readInteger(section, key, defaultValue);
}

int ReadShortcutKey(const QString& key, int defaultValue)
{
    constexpr int kUnset = 9999;
    TIniFile ini(ShortcutKeyPath());
    if (!ini.load())
        return defaultValue;
    const int value = ini.readInteger(QStringLiteral("ShortCutKey"), key, kUnset);
    return value == kUnset ? defaultValue : value;
}
