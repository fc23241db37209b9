#include "enginetab.h"

#include "browser/engine/enginebrowser.h"
#include "browser/engine/engineprofile.h"
#include "browser/tabaction.h"
#include "browser/views/tabwidgets.h"
#include "core/commandlist.h"
#include "core/inifile.h"
#include "core/layoutsettings.h"
#include "core/projectstate.h"
#include "core/startup.h"
#include "core/viewaction.h"
#include "core/views/mainform.h"
#include "app/views/controllers.h"
#include "support/recordinglistener.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QEventLoop>
#include <QProcess>
#include <QTimer>
#include <QTreeWidget>
#include <QWebEnginePage>

namespace {

// Runs code in the main world of the page; its result, or an invalid value without an answer.
QVariant RunIn(QWebEnginePage& page, const QString& script, int timeoutMs = 10000)
{
    auto answer = std::make_shared<std::pair<bool, QVariant>>();
    page.runJavaScript(script, 0, [answer](const QVariant& v) { *answer = { true, v }; });
    return WaitUntil([&] { return answer->first; }, timeoutMs) ? answer->second : QVariant();
}

}

TEngineTab::TEngineTab(TEngineProfile& profile)
{
    m_browser = new TEngineBrowser(profile.profile());
    m_browser->resize(1024, 768);
    m_browser->show();
    m_tab = new TTabWindow(m_browser, nullptr, m_browser);
    m_tab->SetTabId(1);
    m_tab->SetOwner(&m_owner);
    QObject::connect(m_tab, &TTabWindow::documentParsed, m_tab, [this] { ++m_parses; });
    QObject::connect(m_tab, &TTabWindow::parseFailed, m_tab, [this](const QString& message) {
        m_failures.append(message);
    });
}

TEngineTab::~TEngineTab()
{
    delete m_browser;
    ProcessDeferredDeletes();
}

bool TEngineTab::load(const QString& url, int timeoutMs)
{
    const int before = m_parses;
    const int failuresBefore = int(m_failures.size());
    m_tab->Navigate(url);
    return WaitUntil([&] { return m_parses > before || m_failures.size() > failuresBefore; }, timeoutMs)
        && m_parses > before;
}

bool TEngineTab::waitForParse(int parsedBefore, int timeoutMs)
{
    return WaitUntil([&] { return m_parses > parsedBefore; }, timeoutMs);
}

QVariant TEngineTab::run(const QString& script, int timeoutMs)
{
    return RunIn(*m_browser->page(), script, timeoutMs);
}

void ProcessDeferredDeletes()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

bool WaitUntil(const std::function<bool()>& condition, int timeoutMs)
{
    if (condition())
        return true;
    QEventLoop loop;
    QTimer poll;
    poll.setInterval(2);
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (condition())
            loop.quit();
    });
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    poll.start();
    loop.exec();
    return condition();
}

TCliRun RunCli(const QStringList& arguments, const QProcessEnvironment& environment)
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(CALVERDINE_CLI), arguments);
    TCliRun result;
    if (!process.waitForStarted(10000))
        return result;
    WaitUntil([&] { return process.state() == QProcess::NotRunning; }, 120000);
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.out = QString::fromUtf8(process.readAllStandardOutput());
    result.err = QString::fromUtf8(process.readAllStandardError());
    return result;
}

void AnswerNextDialog(std::function<bool(QWidget&)> matches, std::function<void(QWidget&)> answer)
{
    auto* poll = new QTimer(qApp);
    poll->setInterval(5);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, matches = std::move(matches), answer = std::move(answer)] {
        QWidget* dialog = QApplication::activeModalWidget();
        if (!dialog || !matches(*dialog))
            return;
        poll->stop();
        poll->deleteLater();
        answer(*dialog);
    });
    poll->start();
}

void Pause(int milliseconds)
{
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}

TEngineProfile* TEngineSuite::s_profile = nullptr;
THttpServer* TEngineSuite::s_server = nullptr;

void TEngineSuite::SetUpTestSuite()
{
    s_profile = new TEngineProfile();
    s_server = new THttpServer();
    ASSERT_TRUE(s_server->start());
}

void TEngineSuite::TearDownTestSuite()
{
    delete s_server;
    s_server = nullptr;
    delete s_profile;
    s_profile = nullptr;
    ProcessDeferredDeletes();
}

TEngineWindow::TEngineWindow(TEngineProfile* profile)
{
    m_form = std::make_unique<TMainForm>();
    m_form->resize(1200, 800);
    m_form->show();
    TEventBus& bus = App().bus();
    auto view = std::make_unique<TViewAction>(App().service<TLayoutSettings>());
    QComboBox* box = m_form->addressBox();
    QObject::connect(view.get(), &TViewAction::addressListChanged, box, [box](const QStringList& addresses, const QString& current) {
        box->clear();
        box->addItems(addresses);
        box->setEditText(current);
    });
    bus.AddListener(std::move(view));
    auto action = CreateTabAction(*m_form, profile);
    m_tabs = static_cast<TTabAction*>(action.get());
    bus.AddListener(std::move(action));
    bus.AddListener(std::make_unique<TRecordingListener>(m_parses, std::initializer_list<TEvent> { TEvent::DocumentParseCompleted }));
}

bool TEngineWindow::go(const QString& url)
{
    const int before = parseCount();
    App().tabs->NavigateCurrentTab(url);
    return WaitUntil([&] { return parseCount() > before && App().tabs->CurrentTab()->GetUrl() == url; });
}

TEngineWindow::~TEngineWindow()
{
    closeProject();
    m_form.reset();
    ProcessDeferredDeletes();
}

void TEngineWindow::openProject(const QString& home, const QString& homePage,
                                const std::function<void(TXMLProjectType&)>& adjust)
{
    UseNewProject(home, [&](TXMLProjectType& project) {
        project.SetHomePage(homePage);
        if (adjust)
            adjust(project);
        QDir().mkpath(project.RootDirectory());
    });
    App().service<TProjectState>().closing = false;
    App().bus().NotifyProjectOpened(0);
}

void TEngineWindow::closeProject()
{
    if (!App().currentProject())
        return;
    App().service<TProjectState>().closing = true;
    App().takeCurrentProject().reset();
    App().bus().NotifyProjectClosed(0);
    ProcessDeferredDeletes();
}

QVariant RunScript(const QString& script, TTabView* view)
{
    if (!view && App().tabs)
        view = App().tabs->CurrentTab();
    auto* tab = dynamic_cast<TTabWindow*>(view);
    auto* browser = tab ? dynamic_cast<TEngineBrowser*>(tab->Browser()) : nullptr;
    return browser ? RunIn(*browser->page(), script) : QVariant();
}

QString WriteProjectFile(const QString& home, const QString& name, const QString& homePage, const QStringList& tabAddresses)
{
    QString folder;
    const QString path = WriteNewProject(home, name, [&](TXMLProjectType& project) {
        project.SetHomePage(homePage);
        folder = project.RootDirectory() + QStringLiteral("/TabWindow");
    });
    QDir().mkpath(folder);
    if (!path.isEmpty() && !tabAddresses.isEmpty()) {
        TIniFile list(folder + QStringLiteral("/TabWindowList.ini"));
        for (int i = 0; i < tabAddresses.size(); ++i)
            list.writeString(QStringLiteral("Info"), QString::number(1000 + i), tabAddresses[i]);
        list.save();
    }
    return path;
}

std::unique_ptr<TMainForm> StartMainWindow(TEngineProfile& profile, const QString& projectFile)
{
    SetStartupProjectFile(projectFile);
    auto form = std::make_unique<TMainForm>();
    form->FormCreate([&profile](TMainForm& f) { CreateControllersSharingProfile(f, profile); });
    form->resize(1200, 800);
    form->show();
    return form;
}

bool AllTabsReady(int count)
{
    auto* tabs = dynamic_cast<TTabAction*>(App().tabs);
    if (!tabs || tabs->TabCount() != count)
        return false;
    for (TTabWindow* tab : tabs->Tabs()) {
        if (!tab->IsReady())
            return false;
    }
    return true;
}

void UseNewProject(const QString& home, const std::function<void(TXMLProjectType&)>& adjust)
{
    auto project = TXMLProjectType::NewProjectDocument();
    project->ApplyNewProjectValues(QStringLiteral("E2E"), home);
    if (adjust)
        adjust(*project);
    App().setCurrentProject(std::move(project));
}

QString WriteNewProject(const QString& folder, const QString& name, const std::function<void(TXMLProjectType&)>& adjust)
{
    auto project = TXMLProjectType::NewProjectDocument();
    project->ApplyNewProjectValues(name, folder);
    if (adjust)
        adjust(*project);
    QDir().mkpath(folder);
    const QString path = QDir(folder).filePath(name + QStringLiteral(".xml"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(project->ProjectXmlText()) < 0)
        return QString();
    return path;
}

QAction* Command(const char* name)
{
    return App().commands().action(QString::fromLatin1(name));
}

QByteArray TitledPage(const char* name)
{
    return QByteArray("<html><head><title>") + name + "</title></head><body>" + name + "</body></html>";
}

QStringList TreeLines(const QTreeWidget& tree)
{
    QStringList lines;
    std::function<void(QTreeWidgetItem*, int)> walk = [&](QTreeWidgetItem* item, int depth) {
        lines.append(QStringLiteral("%1:%2").arg(depth).arg(item->text(0)));
        for (int i = 0; i < item->childCount(); ++i)
            walk(item->child(i), depth + 1);
    };
    for (int i = 0; i < tree.topLevelItemCount(); ++i)
        walk(tree.topLevelItem(i), 0);
    return lines.mid(1);
}

QTreeWidgetItem* FindItem(const QTreeWidget& tree, const QString& text)
{
    const auto items = tree.findItems(text, Qt::MatchExactly | Qt::MatchRecursive);
    return items.isEmpty() ? nullptr : items.first();
}
