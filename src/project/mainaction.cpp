#include "project/mainaction.h"

#include "core/appcontext.h"
#include "core/commandlist.h"
#include "core/error.h"
#include "core/homefiles.h"
#include "core/inifile.h"
#include "core/log.h"
#include "core/mainwindowhost.h"
#include "core/prompter.h"
#include "core/safefile.h"
#include "core/tickcount.h"
#include "crypto/masterpassword.h"
#include "project/mainmenucommand.h"
#include "core/projectdocument.h"
#include "core/projectstate.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>

namespace {

const QString kInfo = QStringLiteral("Info");
const QString kXmlFilter = QStringLiteral("XMLファイル|*.xml");

// One command failing must not take the application down: report it like a handler error.
template <class F>
void guarded(F&& f)
{
    try {
        f();
    } catch (...) {
        LogError(CurrentExceptionMessage());
    }
}

void showError(const QString& text)
{
    if (TPrompter* p = App().prompter())
        p->message(text, QStringLiteral("エラー"), TPrompter::Buttons::Ok, TPrompter::Icon::Error);
}

// A project name is a key of CalverdineProjects.ini; one that cannot be stored as a key
// (empty, or holding "=" or a line break) is registered under its file's base name.
bool usableKey(const QString& key)
{
    const QString t = key.trimmed();
    return !t.isEmpty() && !t.contains(QLatin1Char('=')) && !t.contains(QLatin1Char('\n'))
        && !t.contains(QLatin1Char('\r')) && !t.startsWith(QLatin1Char('[')) && !t.startsWith(QLatin1Char(';'));
}

bool samePath(const QString& a, const QString& b)
{
    if (a.isEmpty() || b.isEmpty())
        return false;
    const QFileInfo fa(a);
    const QFileInfo fb(b);
    const QString ca = fa.exists() ? fa.canonicalFilePath() : QDir::cleanPath(fa.absoluteFilePath());
    const QString cb = fb.exists() ? fb.canonicalFilePath() : QDir::cleanPath(fb.absoluteFilePath());
    return ca == cb;
}

} // namespace

TMainAction::TMainAction(std::unique_ptr<TProjectSettingsEditor> editor, QObject* parent)
    : TActionCalverdine(parent), m_editor(std::move(editor))
{
    handle(TEvent::FormActivated, &TMainAction::handleFormActivated);
    handle(TEvent::ProjectNewed, &TMainAction::handleProjectNewed);
    handle(TEvent::ProjectOpened, &TMainAction::handleProjectOpened);
    handle(TEvent::ProjectSaved, &TMainAction::handleProjectSaved);
    handle(TEvent::ProjectClosed, &TMainAction::handleProjectClosed);
    handle(TEvent::ProjectModified, &TMainAction::handleProjectModified);
    handle(TEvent::TabWindowAdded, &TMainAction::handleTabWindowAdded);
    handle(TEvent::TabWindowWasNothing, &TMainAction::handleTabWindowWasNothing);

    connectCommand("ActionMainNew", &TMainAction::New);
    connectCommand("ActionMainOpen", &TMainAction::Open);
    connectCommand("ActionMainSave", &TMainAction::Save);
    connectCommand("ActionMainSaveAs", &TMainAction::SaveAs);
    connectCommand("ActionMainClose", &TMainAction::Close);
    connectCommand("ActionMainConfig", &TMainAction::Settings);
    connectCommand("ActionMainIEConfig", &TMainAction::InternetOptions);
    connectCommand("ActionMainExit", &TMainAction::Exit);

    // No project is open yet.
    for (const char* name : { "ActionMainSave", "ActionMainSaveAs", "ActionMainClose", "ActionMainConfig",
                              "ActionMainIEConfig" })
        setEnabled(name, false);

    TMainMenuCommand& menu = App().service<TMainMenuCommand>();
    connect(&menu, &TMainMenuCommand::reopenRequested, this,
            [this](const QString& path) { guarded([&] { Reopen(path); }); });
    guarded([this] { RebuildKnownProjects(); });
}

TMainAction::~TMainAction() = default;

void TMainAction::connectCommand(const char* name, void (TMainAction::*method)())
{
    QAction* a = App().commands().claim(QString::fromLatin1(name), QStringLiteral("TMainAction"));
    if (!a)
        return;
    connect(a, &QAction::triggered, this, [this, method] { guarded([&] { (this->*method)(); }); });
}

void TMainAction::setEnabled(const char* name, bool enabled)
{
    if (QAction* a = App().commands().action(QString::fromLatin1(name)))
        a->setEnabled(enabled);
}

QString TMainAction::caption(const char* name) const
{
    QAction* a = App().commands().action(QString::fromLatin1(name));
    return a ? a->text() : QString();
}

// The file dialog's request for a project file, titled as the command: the current project's
// file, or else the project's name in the home folder.
TPrompter::FileRequest TMainAction::projectFileRequest(const char* command) const
{
    TAppContext& app = App();
    TPrompter::FileRequest request;
    request.title = caption(command);
    request.filter = kXmlFilter;
    request.directory = app.homeDirectory;
    request.fileName = app.currentProject() ? app.currentProject()->Name() + QStringLiteral(".xml")
                                            : QStringLiteral("CVProject.xml");
    if (!app.projectFileName.isEmpty()) {
        const QFileInfo current(app.projectFileName);
        request.fileName = current.fileName();
        request.directory = current.absolutePath();
    }
    return request;
}

int TMainAction::AskSaveIfUnsaved()
{
    TAppContext& app = App();
    QAction* save = app.commands().action(QStringLiteral("ActionMainSave"));
    if (!app.projectUnsaved || !save || !save->isEnabled())
        return 0;
    TPrompter* prompter = app.prompter();
    if (!prompter)
        return TPrompter::Cancel;
    const int answer = prompter->message(QStringLiteral("プロジェクト設定が保存されていません\r保存しますか？"),
                                         QStringLiteral("確認"), TPrompter::Buttons::YesNoCancel,
                                         TPrompter::Icon::Question);
    if (answer != TPrompter::Yes)
        return answer;
    Save();
    // A save that was cancelled or failed must not let the caller drop the changes.
    return app.projectUnsaved ? int(TPrompter::Cancel) : answer;
}

void TMainAction::CloseProject()
{
    TAppContext& app = App();
    app.service<TProjectState>().closing = true;
    if (!app.currentProject())
        return;
    app.takeCurrentProject().reset();
    app.projectFileName.clear();
    app.projectUnsaved = false;
    app.bus().NotifyProjectClosed(0);
    app.service<TMainMenuCommand>().uncheckAll();
}

void TMainAction::New()
{
    if (AskSaveIfUnsaved() == TPrompter::Cancel)
        return;
    CloseProject();

    TAppContext& app = App();
    const QString base = QStringLiteral("NewProject");
    QString name = base;
    for (int n = 1;; ++n) {
        const QString candidate = n > 1 ? base + QString::number(n) : base;
        if (!QFileInfo(app.homeDirectory + QLatin1Char('/') + candidate).isDir()) {
            name = candidate;
            break;
        }
    }
    std::unique_ptr<TXMLProjectType> project = TXMLProjectType::NewProjectDocument();
    project->ApplyNewProjectValues(name, app.homeDirectory);

    if (!m_editor || !m_editor->edit(*project))
        return;
    const QString dataDirectory = project->RootDirectory();
    app.setCurrentProject(std::move(project));
    app.projectFileName.clear();
    app.projectUnsaved = true;
    if (!dataDirectory.isEmpty())
        QDir().mkpath(dataDirectory);
    app.bus().NotifyProjectNewed(0);
}

void TMainAction::Open()
{
    if (AskSaveIfUnsaved() == TPrompter::Cancel)
        return;
    TAppContext& app = App();
    const QString path = app.prompter() ? app.prompter()->openFile(projectFileRequest("ActionMainOpen")) : QString();
    if (path.isEmpty())
        return;
    CloseProject();
    OpenProject(path);
}

bool TMainAction::OpenProject(const QString& path)
{
    TAppContext& app = App();
    try {
        app.setCurrentProject(TXMLProjectType::LoadProjectDocument(path));
        app.projectFileName = path;
        app.projectUnsaved = false;
        app.bus().NotifyProjectOpened(0);
        RegisterProject(app.currentProject() ? app.currentProject()->Name() : QString(), path);
        RebuildKnownProjects();
        CheckKnownProject(path);
        return true;
    } catch (...) {
        LogInfo(QStringLiteral("file load error: ") + path + QStringLiteral(" ") + CurrentExceptionMessage());
        showError(QStringLiteral("ファイルが開けませんでした"));
        return false;
    }
}

bool TMainAction::askOverwrite(const QString& chosen) const
{
    if (!QFileInfo::exists(chosen) || samePath(chosen, App().projectFileName))
        return true;
    TPrompter* prompter = App().prompter();
    return prompter
        && prompter->message(QStringLiteral("ファイルが存在します。上書きしてよろしいですか"), QStringLiteral("警告"),
                             TPrompter::Buttons::YesNo, TPrompter::Icon::Warning)
        == TPrompter::Yes;
}

void TMainAction::Save()
{
    TAppContext& app = App();
    TXMLProjectType* project = app.currentProject();
    if (!project)
        return;
    if (!app.projectFileName.isEmpty()) {
        SaveProject(app.projectFileName);
        return;
    }
    const QString path = app.prompter() ? app.prompter()->saveFile(projectFileRequest("ActionMainSave")) : QString();
    if (path.isEmpty())
        return;
    // The first save of a project chooses its file like "save as": never replace another
    // file without asking.
    if (!askOverwrite(path))
        return;
    SaveProject(path);
}

void TMainAction::SaveAs()
{
    TAppContext& app = App();
    if (!app.currentProject())
        return;
    const QString path = app.prompter() ? app.prompter()->saveFile(projectFileRequest("ActionMainSaveAs")) : QString();
    if (path.isEmpty())
        return;
    if (!askOverwrite(path))
        return;
    SaveProject(path);
}

bool TMainAction::SaveProject(const QString& path)
{
    TAppContext& app = App();
    TXMLProjectType* project = app.currentProject();
    if (!project)
        return false;
    try {
        QString error;
        if (!safefile::write(path, project->ProjectXmlText(), safefile::Backup::Copy, &error))
            throw TError(QStringLiteral("file save error: ") + path + QStringLiteral(" ") + error);
        project->setFileName(path);
        app.projectFileName = path;
        app.projectUnsaved = false;
        const QString dataDirectory = project->RootDirectory();
        if (!dataDirectory.isEmpty() && !QFileInfo(dataDirectory).isDir())
            QDir().mkpath(dataDirectory);
        app.bus().NotifyProjectSaved(0);
        RegisterProject(project->Name(), path);
        RebuildKnownProjects();
        CheckKnownProject(path);
        return true;
    } catch (...) {
        const QString cause = CurrentExceptionMessage();
        LogInfo(cause);
        showError(QStringLiteral("ファイルが保存できませんでした") + QLatin1Char('\n') + cause);
        return false;
    }
}

void TMainAction::Close()
{
    if (AskSaveIfUnsaved() == TPrompter::Cancel)
        return;
    CloseProject();
}

void TMainAction::Settings()
{
    TAppContext& app = App();
    TXMLProjectType* project = app.currentProject();
    if (!project || !m_editor)
        return;
    if (!m_editor->edit(*project))
        return;
    app.projectUnsaved = true;
    app.bus().NotifyProjectModified(0);
}

void TMainAction::InternetOptions()
{
    const std::function<void()> handler = App().service<TInternetOptionsHook>().handler;
    if (handler)
        handler();
}

void TMainAction::Exit()
{
    if (AskSaveIfUnsaved() == TPrompter::Cancel)
        return;
    TAppContext& app = App();
    if (app.mainWindow)
        app.mainWindow->saveLayout();
    CloseProject();
    if (app.mainWindow)
        app.mainWindow->quitApplication();
}

void TMainAction::Reopen(const QString& path)
{
    if (AskSaveIfUnsaved() == TPrompter::Cancel)
        return;
    CloseProject();
    OpenProject(path);
}

void TMainAction::RegisterProject(const QString& name, const QString& path)
{
    QString key = name;
    if (!usableKey(key))
        key = QFileInfo(path).completeBaseName();
    if (!usableKey(key))
        return;
    TIniFile ini(KnownProjectsPath());
    QString error;
    // Writing over a file that could not be read would lose the projects it lists.
    if (!ini.load(&error)) {
        LogError(QStringLiteral("file load error: ") + ini.fileName());
        return;
    }
    ini.writeString(kInfo, key, path);
    if (!ini.save(&error, true))
        LogError(QStringLiteral("file save error: ") + ini.fileName());
}

void TMainAction::RebuildKnownProjects()
{
    TIniFile ini(KnownProjectsPath());
    ini.load();
    const QStringList names = ini.keyNames(kInfo);
    QStringList paths;
    for (const QString& n : names)
        paths << ini.readString(kInfo, n);
    App().service<TMainMenuCommand>().rebuild(names, paths);
}

void TMainAction::CheckKnownProject(const QString& path)
{
    App().service<TMainMenuCommand>().check(path);
}

void TMainAction::showProjectName()
{
    TAppContext& app = App();
    if (app.mainWindow)
        app.mainWindow->setMainCaption(app.currentProject() ? app.currentProject()->Name() : QString());
}

void TMainAction::projectStarted()
{
    m_projectAnnounced = true;
    TAppContext& app = App();
    if (app.mainWindow)
        app.mainWindow->setFileDropEnabled(true);
    showProjectName();
    app.service<TProjectState>().startTime = TickCount();
    app.service<TProjectState>().closing = false;
    app.service<TMasterPassword>().projectOpened();
}

void TMainAction::handleFormActivated(int)
{
    TAppContext& app = App();
    const QString path = app.projectFileName;
    if (app.currentProject() && !m_projectAnnounced) {
        // The project made on the first run could not be written: keep it as a new project,
        // which the user can still save somewhere else.
        if (app.projectUnsaved && !QFileInfo::exists(path)) {
            app.projectFileName.clear();
            app.bus().NotifyProjectNewed(0);
            return;
        }
        // Otherwise it is in its file by now: the start-up file replaces it, and when that
        // cannot be opened no project is open.
        app.takeCurrentProject().reset();
        app.projectUnsaved = false;
    } else {
        CloseProject();
    }
    OpenProject(path);
}

void TMainAction::handleProjectNewed(int)
{
    for (const char* name : { "ActionMainSave", "ActionMainSaveAs", "ActionMainClose", "ActionMainConfig" })
        setEnabled(name, true);
    projectStarted();
}

void TMainAction::handleProjectOpened(int)
{
    setEnabled("ActionMainSave", false);
    for (const char* name : { "ActionMainSaveAs", "ActionMainClose", "ActionMainConfig" })
        setEnabled(name, true);
    projectStarted();
}

void TMainAction::handleProjectSaved(int)
{
    setEnabled("ActionMainSave", false);
}

void TMainAction::handleProjectClosed(int)
{
    m_projectAnnounced = false;
    if (App().mainWindow)
        App().mainWindow->setFileDropEnabled(false);
    showProjectName();
    for (const char* name : { "ActionMainSave", "ActionMainSaveAs", "ActionMainClose", "ActionMainConfig",
                              "ActionMainIEConfig" })
        setEnabled(name, false);
}

void TMainAction::handleProjectModified(int)
{
    setEnabled("ActionMainSave", true);
    showProjectName();
    App().service<TMasterPassword>().forget();
}

void TMainAction::handleTabWindowAdded(int)
{
    setEnabled("ActionMainIEConfig", true);
}

void TMainAction::handleTabWindowWasNothing(int)
{
    setEnabled("ActionMainIEConfig", false);
}
