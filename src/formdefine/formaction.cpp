#include "formdefine/formaction.h"

#include "core/appcontext.h"
#include "core/commandlist.h"
#include "core/error.h"
#include "core/log.h"
#include "core/tabaccess.h"
#include "document/calverdinedocument.h"
#include "formdata/dataaction.h"
#include "formdata/formdatacommon.h"
#include "formdata/formdatamanager.h"
#include "formdata/formdatapaths.h"
#include "formdata/formdatapopuphistory.h"
#include "formdata/liverefresh.h"
#include "formdefine/formdefinegrid.h"
#include "formdefine/formdefinemanager.h"
#include "formdefine/formtemplate.h"
#include "formdefine/formtree.h"
#include "core/mainwindowhost.h"
#include "core/projectdocument.h"
#include "document/htmldocument.h"

#include <QAction>
#include <QDir>

namespace {
const QString kOwner = QStringLiteral("TFormAction");
}

void CreateFormFolders()
{
    TXMLProjectType* project = App().currentProject();
    if (!project || project->RootDirectory().isEmpty())
        return;
    for (const char* folder : { "FormDefine", "FormData", "FormTemplate" })
        QDir().mkpath(project->RootDirectory() + QLatin1Char('/') + QLatin1String(folder));
}

TFormAction::TFormAction(QObject* parent) : TActionCalverdine(parent)
{
    setObjectName(kOwner);
    m_grid = new TFormDefineGrid(this);
    m_tree = new TFormTree(*m_grid, this);
    m_templateGrid = new TFormTemplateGrid(this);
    m_selectedTag = [this] { return m_tree->selectedTag(); };
    connect(m_tree, &TFormTree::selectionStateChanged, this, &TFormAction::handleSelection);
    connect(m_tree, &TFormTree::refreshFailed, this, [](const QString& message) { LogWarn(message); });
    TCommandList& commands = App().commands();
    for (const QString& name : commands.names()) {
        if (!name.startsWith(QLatin1String("ActionForm")))
            continue;
        if (QAction* a = commands.claim(name, kOwner))
            a->setEnabled(false);
    }
    auto connectCommand = [this](const char* name, void (TFormAction::*method)()) {
        if (QAction* a = formdata::command(name))
            connect(a, &QAction::triggered, this, [this, method] { formdata::guarded([&] { (this->*method)(); }); });
    };
    connectCommand("ActionFormSave", &TFormAction::Save);
    connectCommand("ActionFormSaveAs", &TFormAction::SaveAs);
    connectCommand("ActionFormSaveSelectTree", &TFormAction::SaveSelectTree);
    connectCommand("ActionFormSaveHidden", &TFormAction::ToggleSaveHidden);
    connectCommand("ActionFormReflesh", &TFormAction::Reflesh);
    connectCommand("ActionFormDefine", &TFormAction::Define);
    connectCommand("ActionFormDefineDelete", &TFormAction::DefineDelete);
    connectCommand("ActionFormSubmit", &TFormAction::Submit);
    connectCommand("ActionFormReset", &TFormAction::Reset);
    connectCommand("ActionFormFrameSource", &TFormAction::FrameSource);
    if (QAction* hidden = formdata::command("ActionFormSaveHidden")) {
        hidden->setCheckable(true);
        hidden->setChecked(false);
        hidden->setEnabled(true);
    }

    handle(TEvent::ProjectNewed, &TFormAction::handleProjectStarted);
    handle(TEvent::ProjectOpened, &TFormAction::handleProjectStarted);
    handle(TEvent::ProjectClosed, &TFormAction::handleProjectClosed);
    handle(TEvent::TabWindowAdded, &TFormAction::handleClearViews);
    handle(TEvent::TabWindowWasNothing, &TFormAction::handleClearViews);
    handle(TEvent::TabWindowActivated, &TFormAction::handleTabWindowActivated);
    handle(TEvent::BrowserCommandBusyStateChanged, &TFormAction::handleBusyStateChanged);
    handle(TEvent::BrowserBeforeNavigate, &TFormAction::handleBrowserBeforeNavigate);
    handle(TEvent::DocumentParseCompleted, &TFormAction::handleDocumentParseCompleted);
    handle(TEvent::FormDataSaving, &TFormAction::handleFormDataSaving);
    handle(TEvent::FormDataSaved, &TFormAction::handleFormDataSaved);
    handle(TEvent::FormDataNameModified, &TFormAction::handleMenuChanged);
    handle(TEvent::FormDataDeleted, &TFormAction::handleMenuChanged);
}

TFormAction::~TFormAction()
{
    qDeleteAll(m_saveMenu);
    qDeleteAll(m_templateMenu);
}

void TFormAction::handleSelection(bool formSelected, bool frameSource, bool saveTree)
{
    for (const char* name : { "ActionFormReflesh", "ActionFormDefine", "ActionFormDefineDelete", "ActionFormSubmit",
                              "ActionFormReset" })
        formdata::setCommandEnabled(name, formSelected);
    formdata::setCommandEnabled("ActionFormFrameSource", frameSource);
    formdata::setCommandEnabled("ActionFormSaveSelectTree", saveTree);
}

void TFormAction::Reflesh()
{
    // What the user typed into the page since it was parsed is read first.
    m_tree->refreshLive();
}

void TFormAction::Define()
{
    if (TMainWindowHost* host = App().mainWindow)
        host->showConsolePage(kDefineSheet);
}

void TFormAction::DefineDelete()
{
    m_grid->deleteDefinitions();
}

void TFormAction::Submit()
{
    m_tree->submit();
}

void TFormAction::Reset()
{
    m_tree->reset();
}

void TFormAction::FrameSource()
{
    auto* frame = dynamic_cast<TTagFrame*>(m_tree->selectedTag());
    TTabRegistry* tabs = App().tabs;
    if (!frame || !frame->Document() || !tabs)
        return;
    const QString url = frame->Document()->url();
    if (!url.isEmpty())
        tabs->OpenTab(QStringLiteral("view-source:") + url);
}

void TFormAction::rebuildTree()
{
    const int tabId = formdata::currentTabId();
    m_tree->rebuild(formdata::currentDocument(), tabId);
}

void TFormAction::rebuildTemplateMenu()
{
    qDeleteAll(m_templateMenu);
    m_templateMenu.clear();
    m_templateFolder = TFormTemplateFileCommand::folder();
    m_templateFiles = TFormTemplateFileCommand::listFiles(m_templateFolder);
    for (const TTemplateMenuItem& item : TFormTemplateFileCommand::menuItems(m_templateFolder, m_templateFiles)) {
        auto* action = new QAction(item.caption, this);
        const int index = item.fileIndex;
        connect(action, &QAction::triggered, this, [this, index] { formdata::guarded([&] { ChooseTemplate(index); }); });
        m_templateMenu << action;
    }
    if (QAction* none = formdata::command("ActionFormTemplateEdit"))
        none->setEnabled(false);
    m_templateMenuEnabled = true;
    Q_EMIT templateMenuChanged();
}

QList<QAction*> TFormAction::templateMenuActions() const
{
    if (!m_templateMenu.isEmpty() || !m_templateMenuEnabled)
        return m_templateMenu;
    QAction* none = formdata::command("ActionFormTemplateEdit");
    if (!none)
        return {};
    // Disabled, but the menu stays enabled to show it.
    none->setProperty("showsEmptyMenu", true);
    return { none };
}

void TFormAction::dropTemplates()
{
    qDeleteAll(m_templateMenu);
    m_templateMenu.clear();
    m_templateFiles.clear();
    m_templateFolder.clear();
    m_templateMenuEnabled = false;
    Q_EMIT templateMenuChanged();
}

void TFormAction::ChooseTemplate(int fileIndex)
{
    if (fileIndex < 0 || fileIndex >= m_templateFiles.size())
        return;
    m_templateGrid->setItems(
        TFormTemplateFileCommand::readItems(m_templateFolder + QLatin1Char('/') + m_templateFiles[fileIndex]));
    if (TMainWindowHost* host = App().mainWindow)
        host->showConsolePage(kTemplateSheet);
}

void TFormAction::RunText(const QString& text)
{
    TTabView* tab = formdata::currentTab();
    if (tab && App().currentProject())
        tab->SendTextToFocusedInput(text, 0);
}

void TFormAction::Save()
{
    TCalverdineDocument* document = formdata::currentDocument();
    if (!document)
        return;
    const QString screenId = document->ScreenID();
    TFormDataManager& manager = App().service<TFormDataManager>();
    manager.dataList(screenId); // the first load records the screen's data sets in the history
    const int last = App().service<TFormDataHistories>().saveHistory(formdata::currentTabId()).last(screenId);
    startSave(manager.exists(screenId, last) ? last : 0, nullptr);
}

void TFormAction::SaveAs()
{
    startSave(0, nullptr);
}

void TFormAction::SaveSelectTree()
{
    TTagBase* tag = m_selectedTag ? m_selectedTag() : nullptr;
    TCalverdineDocument* document = formdata::currentDocument();
    if (!tag || !document)
        return;
    const QString screenId = document->ScreenID();
    TFormDataManager& manager = App().service<TFormDataManager>();
    manager.dataList(screenId);
    const int last = App().service<TFormDataHistories>().saveHistory(formdata::currentTabId()).last(screenId);
    startSave(manager.exists(screenId, last) ? last : 0, tag);
}

void TFormAction::SaveTo(int dataId)
{
    startSave(dataId, nullptr);
}

void TFormAction::ToggleSaveHidden()
{
    TFormDataManager& manager = App().service<TFormDataManager>();
    manager.setIncludeHidden(!manager.includeHidden());
    if (QAction* hidden = formdata::command("ActionFormSaveHidden"))
        hidden->setChecked(manager.includeHidden());
}

void TFormAction::startSave(int targetDataId, TTagBase* tag)
{
    TCalverdineDocument* document = formdata::currentDocument();
    if (!document || m_saving)
        return;
    const int tabId = formdata::currentTabId();
    const QString screenId = document->ScreenID();
    m_saving = true;
    App().bus().NotifyFormDataSaving(tabId);

    auto stillValid = [tabId, document] { return formdata::showsModel(tabId, document); };
    RefreshLiveValues(*document, this, stillValid, [this, tabId, screenId, document, tag, targetDataId](const QString& error) {
        if (!error.isEmpty()) {
            LogError(error);
            finishSave(0, error);
            return;
        }
        TFormDataManager& manager = App().service<TFormDataManager>();
        int dataId = 0;
        bool written = false;
        try {
            dataId = manager.save(screenId, tag ? *tag : *document->RootFrame(), targetDataId, &written);
        } catch (...) {
            formdata::reportFailure();
            finishSave(0, CurrentExceptionMessage());
            return;
        }
        if (!written) {
            finishSave(0, QStringLiteral("ファイルが保存できませんでした"));
            return;
        }
        App().service<TFormDataHistories>().saveHistory(tabId).add(screenId, dataId);
        m_saving = false;
        App().bus().NotifyFormDataSaved(tabId);
        if (dataId != targetDataId)
            App().bus().NotifyFormDataAdded(tabId);
        Q_EMIT saveFinished(dataId, QString());
    });
}

void TFormAction::finishSave(int dataId, const QString& error)
{
    m_saving = false;
    // The save did not happen: the commands come back, without announcing a save.
    setSaveEnabled(true, true);
    if (TDataAction* data = TDataAction::instance())
        data->updateNodeActions();
    Q_EMIT saveFinished(dataId, error);
}

void TFormAction::setSaveEnabled(bool save, bool saveAs)
{
    formdata::setCommandEnabled("ActionFormSave", save);
    formdata::setCommandEnabled("ActionFormSaveAs", saveAs);
}

void TFormAction::rebuildSaveMenu()
{
    qDeleteAll(m_saveMenu);
    m_saveMenu.clear();
    QString hint;
    TCalverdineDocument* document = formdata::currentDocument();
    if (document) {
        const QString screenId = document->ScreenID();
        TFormDataManager& manager = App().service<TFormDataManager>();
        const auto items = formdata::historyMenu(
            App().service<TFormDataHistories>().saveHistory(formdata::currentTabId()), screenId, manager);
        for (const formdata::THistoryMenuItem& item : items) {
            auto* action = new QAction(item.caption, this);
            action->setCheckable(true);
            action->setChecked(item.checked);
            action->setData(item.dataId);
            const int dataId = item.dataId;
            connect(action, &QAction::triggered, this, [this, dataId] { formdata::guarded([&] { SaveTo(dataId); }); });
            m_saveMenu << action;
            if (item.checked)
                hint = item.name;
        }
    }
    if (QAction* save = formdata::command("ActionFormSave"))
        SetCommandHint(save, hint);
    Q_EMIT saveMenuChanged();
}

void TFormAction::resetSaveHidden()
{
    App().service<TFormDataManager>().setIncludeHidden(false);
    if (QAction* hidden = formdata::command("ActionFormSaveHidden"))
        hidden->setChecked(false);
}

void TFormAction::clearViews()
{
    m_refreshed = false;
    m_tree->clear(QStringLiteral("画面ID"));
    for (const char* name : { "ActionFormReflesh", "ActionFormSave", "ActionFormSaveAs", "ActionFormSaveSelectTree",
                              "ActionFormFrameSource", "ActionFormDefine", "ActionFormDefineDelete",
                              "ActionFormSubmit", "ActionFormReset" })
        formdata::setCommandEnabled(name, false);
    if (QAction* save = formdata::command("ActionFormSave"))
        SetCommandHint(save, QString());
    qDeleteAll(m_saveMenu);
    m_saveMenu.clear();
    Q_EMIT saveMenuChanged();
}

void TFormAction::refresh()
{
    TCalverdineDocument* document = formdata::currentDocument();
    if (!document) {
        // The page could not be parsed: nothing of the page before may stay in the tree.
        if (m_tree->document())
            m_tree->clear(QStringLiteral("画面ID"));
        return;
    }
    m_refreshed = true;
    rebuildTree();
    for (const char* name : { "ActionFormDefine", "ActionFormDefineDelete", "ActionFormReflesh",
                              "ActionFormSaveSelectTree", "ActionFormSubmit", "ActionFormReset",
                              "ActionFormFrameSource" })
        formdata::setCommandEnabled(name, false);
    setSaveEnabled(document->HasAnyFormPart(), true);
    rebuildSaveMenu();
}

void TFormAction::handleProjectStarted(int)
{
    resetSaveHidden();
    // Data loaded for another project's screens must not show in this one.
    App().service<TFormDataManager>().clear();
    App().service<TFormDefineManager>().clear();
    // Pick lists belong to the project's data folder.
    m_grid->forgetPickLists();
    CreateFormFolders();
    clearViews();
    rebuildTemplateMenu();
}

void TFormAction::handleProjectClosed(int)
{
    resetSaveHidden();
    App().service<TFormDataManager>().clear();
    App().service<TFormDefineManager>().clear();
    clearViews();
    dropTemplates();
}

void TFormAction::handleClearViews(int)
{
    App().service<TFormDataHistories>().dropClosedTabs();
    clearViews();
}

void TFormAction::handleTabWindowActivated(int)
{
    TCalverdineDocument* document = formdata::currentDocument();
    TTabView* tab = formdata::currentTab();
    // The tree must never keep parts of another tab's page, even when the tab in front did
    // not change.
    if (document && tab && tab->IsReady() && m_tree->document() != document) {
        m_tree->rebuild(document, tab->TabId());
        for (const char* name : { "ActionFormDefine", "ActionFormDefineDelete", "ActionFormReflesh",
                                  "ActionFormSaveSelectTree", "ActionFormSubmit", "ActionFormReset",
                                  "ActionFormFrameSource" })
            formdata::setCommandEnabled(name, false);
    } else if (!document && m_tree->document()) {
        m_tree->clear(QStringLiteral("画面ID"));
    }
    if (document)
        setSaveEnabled(document->HasAnyFormPart(), true);
    rebuildSaveMenu();
}

void TFormAction::handleBrowserBeforeNavigate(int)
{
    m_refreshed = false;
    TTabView* tab = formdata::currentTab();
    m_tree->clear(tab ? tab->GetRequestedUrl() : QString());
    for (const char* name : { "ActionFormDefine", "ActionFormDefineDelete", "ActionFormReflesh",
                              "ActionFormSaveSelectTree", "ActionFormSubmit", "ActionFormReset",
                              "ActionFormFrameSource" })
        formdata::setCommandEnabled(name, false);
}

void TFormAction::handleDocumentParseCompleted(int)
{
    refresh();
}

void TFormAction::handleBusyStateChanged(int)
{
    // Only a parsed page: while the next one loads, the model still describes the page left.
    TTabView* tab = formdata::currentTab();
    if (!m_refreshed && tab && tab->IsReady() && formdata::currentDocument())
        refresh();
}

void TFormAction::handleFormDataSaving(int)
{
    setSaveEnabled(false, false);
}

void TFormAction::handleFormDataSaved(int)
{
    setSaveEnabled(true, true);
    rebuildSaveMenu();
}

void TFormAction::handleMenuChanged(int)
{
    rebuildSaveMenu();
}
