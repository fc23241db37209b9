#pragma once

#include "browser/tabwindow.h"
#include "core/appcontext.h"
#include "core/projectdocument.h"
#include "support/httpserver.h"
#include "support/recordingtabowner.h"
#include "support/testhome.h"

#include <QAction>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

class QTreeWidget;
class QTreeWidgetItem;
class QWidget;
class TEngineBrowser;
class TEngineProfile;
class THttpServer;
class TMainForm;
class TTabAction;
class TTabView;
class TXMLProjectType;

// A tab on the real engine without a main window: the browser control, its tab window (ID 1)
// and a recording owner. Browsers are destroyed with the object.
class TEngineTab {
public:
    explicit TEngineTab(TEngineProfile& profile);
    ~TEngineTab();

    TEngineBrowser* browser() const { return m_browser; }
    TTabWindow& tab() const { return *m_tab; }
    TRecordingTabOwner& owner() { return m_owner; }

    // Navigates and waits for the page's document model (or a failure); false on timeout.
    bool load(const QString& url, int timeoutMs = 20000);
    // Loads the page and returns its document model; none when it did not load.
    TCalverdineDocument* open(const QString& url, int timeoutMs = 20000)
    {
        return load(url, timeoutMs) ? m_tab->GetDocumentModel() : nullptr;
    }
    // Waits until the tab parsed its page once more than `parsedBefore` times.
    bool waitForParse(int parsedBefore, int timeoutMs = 20000);
    int parseCount() const { return m_parses; }
    QStringList failures() const { return m_failures; }

    // Runs code in the page's main world and returns its result (test helper only).
    QVariant run(const QString& script, int timeoutMs = 10000);

private:
    TEngineBrowser* m_browser = nullptr;
    TTabWindow* m_tab = nullptr;
    TRecordingTabOwner m_owner;
    int m_parses = 0;
    QStringList m_failures;
};

// Deletes objects whose deletion was deferred.
void ProcessDeferredDeletes();
// Runs the event loop until the condition holds (true) or the time is up (false). Unlike
// QTest::qWaitFor it never sleeps, so the engine's many small hops are not slowed down.
bool WaitUntil(const std::function<bool()>& condition, int timeoutMs = 20000);
// Runs the event loop for a while.
void Pause(int milliseconds);
// Once a modal dialog that `matches` shows, hands it to `answer` (once), as a user would
// answer it while the code that opened it waits.
void AnswerNextDialog(std::function<bool(QWidget&)> matches, std::function<void(QWidget&)> answer);

// How a run of calverdine-cli to its end ended (exit code, -1 when it crashed or never
// started) and what it printed; this process keeps serving its pages meanwhile.
struct TCliRun {
    int exitCode = -1;
    QString out;
    QString err;
};
TCliRun RunCli(const QStringList& arguments,
               const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment());

// Runs code in the page of a tab on the real engine (the current tab when none is given)
// and returns its result; an invalid value when there is no such page or no answer.
QVariant RunScript(const QString& script, TTabView* tab = nullptr);

// Writes the project file `name`.xml into `home` with that home page and, when given, the
// tab list a restart restores; its path, or empty when it cannot be written.
QString WriteProjectFile(const QString& home, const QString& name, const QString& homePage,
                         const QStringList& tabAddresses = {});
// The whole main window with every controller, started on the project file as after a
// restart (the engine's profile is shared with the test).
std::unique_ptr<TMainForm> StartMainWindow(TEngineProfile& profile, const QString& projectFile);
// The tab controller has that many tabs and each has its page ready.
bool AllTabsReady(int count);

// Makes a new project "E2E" in `home` the current one (no controller is told); `adjust` sets
// more of it first.
void UseNewProject(const QString& home, const std::function<void(TXMLProjectType&)>& adjust = {});
// Writes a new project `name`.xml into `folder` as the tool stores it, `adjust` applied
// first; its path, or empty when it cannot be written.
QString WriteNewProject(const QString& folder, const QString& name,
                        const std::function<void(TXMLProjectType&)>& adjust = {});
// The command of that name in the application's command list.
QAction* Command(const char* name);
// A page whose title and text are its name.
QByteArray TitledPage(const char* name);
// A tree's items as "depth:text" lines, without its first root (whose text is the screen ID).
QStringList TreeLines(const QTreeWidget& tree);
// The first item of the tree with that text, at any depth.
QTreeWidgetItem* FindItem(const QTreeWidget& tree, const QString& text);

// A suite on the real engine: one profile and one loopback server, made before the suite's
// first test and dropped after its last. A suite that serves fixed pages adds them in its own
// SetUpTestSuite after calling this one.
class TEngineSuite : public ::testing::Test {
protected:
    static void SetUpTestSuite();
    static void TearDownTestSuite();

    static TEngineProfile* s_profile;
    static THttpServer* s_server;
};

// The main window with the view (filling the address bar) and tab controllers on the real
// engine; a test adds the controllers it is about to the application's bus. Closing the
// window closes any open project first.
class TEngineWindow {
public:
    explicit TEngineWindow(TEngineProfile* profile);
    ~TEngineWindow();

    TMainForm& form() const { return *m_form; }
    TTabAction& tabs() const { return *m_tabs; }

    // Opens a new project "E2E" in `home` with that home page, as the user does; `adjust`
    // sets more of it before it opens. Closing drops the open project, if any.
    void openProject(const QString& home, const QString& homePage,
                     const std::function<void(TXMLProjectType&)>& adjust = {});
    void closeProject();
    // Navigates the current tab and waits until the page at that address is parsed.
    bool go(const QString& url);
    int parseCount() const { return int(m_parses->size()); }

private:
    std::unique_ptr<TMainForm> m_form;
    TTabAction* m_tabs = nullptr;
    std::shared_ptr<QStringList> m_parses = std::make_shared<QStringList>();
};

// A suite with the main window of TEngineWindow in a temporary home.
class TEngineWindowSuite : public TEngineSuite {
protected:
    // Opens a new project "E2E" whose home page is that path on the suite's server (none
    // when empty); `adjust` sets more of it first.
    void openProject(const QString& homePath, const std::function<void(TXMLProjectType&)>& adjust = {})
    {
        window.openProject(home.path(), homePath.isEmpty() ? QString() : s_server->urlText(homePath), adjust);
    }
    void closeProject() { window.closeProject(); }
    bool go(const QString& path) { return window.go(s_server->urlText(path)); }
    // Runs code in the page of a tab (the current one when none is given).
    QVariant run(const QString& script, TTabWindow* tab = nullptr) { return RunScript(script, tab); }

    TTestHome home;
    TEngineWindow window { s_profile };
    TMainForm* form = &window.form();
    TTabAction* tabs = &window.tabs();
};
