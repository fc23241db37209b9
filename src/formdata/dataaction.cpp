#include "formdata/dataaction.h"

#include "core/appcontext.h"
#include "core/commandlist.h"
#include "core/consolememos.h"
#include "core/error.h"
#include "core/log.h"
#include "core/mainwindowhost.h"
#include "core/prompter.h"
#include "core/tabaccess.h"
#include "document/calverdinedocument.h"
#include "formdata/dataactioncommand.h"
#include "formdata/formdatacommon.h"
#include "formdata/formdatamanager.h"
#include "formdata/formdatapopuphistory.h"
#include "formdata/liverefresh.h"
#include "formdata/fieldaliases.h"

#include <QAction>
#include <QItemSelectionModel>
#include <QStandardItemModel>

namespace {

const QString kOwner = QStringLiteral("TDataAction");
const char* const kNodeCommands[] = { "ActionDataInput", "ActionDataNameEdit", "ActionDataDelete", "ActionDataCompare" };

TDataAction* s_instance = nullptr;

void showMessage(const QString& text)
{
    if (TPrompter* prompter = App().prompter())
        prompter->message(text);
}

}

QString ScreenIdCaption()
{
    return QStringLiteral("画面ID");
}

TDataAction::TDataAction(std::unique_ptr<TDataOpenChooser> chooser, QObject* parent)
    : TActionCalverdine(parent)
    , m_chooser(std::move(chooser))
    , m_model(new QStandardItemModel(this))
    , m_selection(new QItemSelectionModel(m_model, this))
{
    setObjectName(kOwner);
    s_instance = this;
    auto* root = new QStandardItem(ScreenIdCaption());
    root->setEditable(false);
    m_model->appendRow(root);

    TCommandList& commands = App().commands();
    for (const QString& name : commands.names()) {
        if (!name.startsWith(QLatin1String("ActionData")))
            continue;
        if (QAction* a = commands.claim(name, kOwner))
            a->setEnabled(false);
    }
    auto connectCommand = [this](const char* name, void (TDataAction::*method)()) {
        if (QAction* a = formdata::command(name))
            connect(a, &QAction::triggered, this, [this, method] { formdata::guarded([&] { (this->*method)(); }); });
    };
    connectCommand("ActionDataInput", &TDataAction::Input);
    connectCommand("ActionDataInputHistory", &TDataAction::InputHistory);
    connectCommand("ActionDataOpen", &TDataAction::Open);
    connectCommand("ActionDataCompare", &TDataAction::Compare);
    connectCommand("ActionDataNameEdit", &TDataAction::NameEdit);
    connectCommand("ActionDataDelete", &TDataAction::Delete);
    connect(m_selection, &QItemSelectionModel::currentChanged, this, [this] { updateNodeActions(); });

    handle(TEvent::ProjectNewed, &TDataAction::handleProjectEvent);
    handle(TEvent::ProjectOpened, &TDataAction::handleProjectEvent);
    handle(TEvent::ProjectClosed, &TDataAction::handleProjectEvent);
    handle(TEvent::TabWindowAdded, &TDataAction::handleTabWindowAdded);
    handle(TEvent::TabWindowWasNothing, &TDataAction::handleTabWindowWasNothing);
    handle(TEvent::TabWindowActivated, &TDataAction::handleTabWindowActivated);
    handle(TEvent::BrowserCommandBusyStateChanged, &TDataAction::handleBusyStateChanged);
    handle(TEvent::BrowserBeforeNavigate, &TDataAction::handleBrowserBeforeNavigate);
    handle(TEvent::DocumentParseCompleted, &TDataAction::handleDocumentParseCompleted);
    handle(TEvent::FormDataSaving, &TDataAction::handleFormDataSaving);
    handle(TEvent::FormDataSaved, &TDataAction::handleFormDataSaved);
    handle(TEvent::FormDataAdded, &TDataAction::handleFormDataAdded);
}

TDataAction::~TDataAction()
{
    if (s_instance == this)
        s_instance = nullptr;
    qDeleteAll(m_inputMenu);
}

TDataAction* TDataAction::instance()
{
    return s_instance;
}

QStandardItem* TDataAction::rootItem() const
{
    return m_model->item(0);
}

QModelIndex TDataAction::rootIndex() const
{
    return m_model->index(0, 0);
}

int TDataAction::selectedDataId() const
{
    const QModelIndex current = m_selection->currentIndex();
    if (!current.isValid() || !current.parent().isValid())
        return 0;
    return current.data(kDataIdRole).toInt();
}

void TDataAction::updateNodeActions()
{
    const bool dataNode = selectedDataId() != 0;
    for (const char* name : kNodeCommands)
        formdata::setCommandEnabled(name, dataNode);
}

void TDataAction::clearPanel(const QString& rootText)
{
    QStandardItem* root = rootItem();
    root->removeRows(0, root->rowCount());
    root->setText(rootText);
    m_selection->clearSelection();
    m_selection->setCurrentIndex(rootIndex(), QItemSelectionModel::ClearAndSelect);
    for (const char* name : kNodeCommands)
        formdata::setCommandEnabled(name, false);
}

void TDataAction::refresh()
{
    TCalverdineDocument* document = formdata::currentDocument();
    if (!document)
        return;
    m_refreshed = true;
    const QString screenId = document->ScreenID();
    clearPanel(screenId);
    const TFormDataInfoList& list = App().service<TFormDataManager>().dataList(screenId);
    QStandardItem* root = rootItem();
    for (int i = 0; i < list.count(); ++i) {
        auto* node = new QStandardItem(list.at(i)->Name);
        node->setData(list.at(i)->ID, kDataIdRole);
        root->appendRow(node);
    }
    m_selection->setCurrentIndex(rootIndex(), QItemSelectionModel::ClearAndSelect);
    updateNodeActions();
    rebuildInputMenu();
}

void TDataAction::rebuildInputMenu()
{
    qDeleteAll(m_inputMenu);
    m_inputMenu.clear();
    QString hint;
    if (TCalverdineDocument* document = formdata::currentDocument()) {
        const QString screenId = document->ScreenID();
        const auto items = formdata::historyMenu(
            App().service<TFormDataHistories>().inputHistory(formdata::currentTabId()), screenId,
            App().service<TFormDataManager>());
        for (const formdata::THistoryMenuItem& item : items) {
            auto* action = new QAction(item.caption, this);
            action->setCheckable(true);
            action->setChecked(item.checked);
            action->setData(item.dataId);
            const int dataId = item.dataId;
            connect(action, &QAction::triggered, this, [this, dataId] {
                formdata::guarded([&] {
                    if (TCalverdineDocument* current = formdata::currentDocument())
                        InputData(current->ScreenID(), dataId);
                });
            });
            m_inputMenu << action;
            if (item.checked)
                hint = item.name;
        }
    }
    if (QAction* history = formdata::command("ActionDataInputHistory")) {
        SetCommandHint(history, hint);
        history->setEnabled(!m_inputMenu.isEmpty());
    }
    Q_EMIT inputMenuChanged();
}

bool TDataAction::InputData(const QString& screenId, int dataId)
{
    TCalverdineDocument* document = formdata::currentDocument();
    const int tabId = formdata::currentTabId();
    App().bus().NotifyFormDataLoading(tabId);
    const TFormValueList* values = nullptr;
    try {
        values = &App().service<TFormDataManager>().loadValues(screenId, dataId);
    } catch (const TError& e) {
        showMessage(e.message());
        return false;
    }
    if (!document)
        return false;
    TDataActionCommand::inputValues(*values, *document);
    App().service<TFormDataHistories>().inputHistory(tabId).add(screenId, dataId);
    rebuildInputMenu();
    App().bus().NotifyFormDataLoaded(tabId);
    return true;
}

void TDataAction::Input()
{
    TCalverdineDocument* document = formdata::currentDocument();
    const int dataId = selectedDataId();
    if (document && dataId != 0)
        InputData(document->ScreenID(), dataId);
}

void TDataAction::InputHistory()
{
    TCalverdineDocument* document = formdata::currentDocument();
    if (!document)
        return;
    const QString screenId = document->ScreenID();
    const int last = App().service<TFormDataHistories>().inputHistory(formdata::currentTabId()).last(screenId);
    if (last != 0)
        InputData(screenId, last);
}

void TDataAction::Open()
{
    if (!m_chooser)
        return;
    TCalverdineDocument* document = formdata::currentDocument();
    const std::optional<TDataOpenChooser::Choice> choice = m_chooser->choose(document ? document->ScreenID() : QString());
    if (!choice)
        return;
    App().service<TFormDataManager>().dataList(choice->screenId);
    InputData(choice->screenId, choice->dataId);
}

void TDataAction::Compare()
{
    if (TMainWindowHost* host = App().mainWindow)
        host->showConsolePage(kComparePage);
    const int dataId = selectedDataId();
    if (dataId != 0)
        compare(dataId, nullptr);
}

void TDataAction::CompareForm(int dataId, std::function<void(bool)> done)
{
    compare(dataId, std::move(done));
}

void TDataAction::compare(int dataId, std::function<void(bool)> done)
{
    auto finish = [this, done](bool allEqual) {
        if (done)
            done(allEqual);
        Q_EMIT compareFinished(allEqual);
    };
    TCalverdineDocument* document = formdata::currentDocument();
    if (!document) {
        finish(false);
        return;
    }
    const QString screenId = document->ScreenID();
    TFormDataManager& manager = App().service<TFormDataManager>();
    try {
        manager.loadValues(screenId, dataId);
    } catch (const TError& e) {
        showMessage(e.message());
        finish(false);
        return;
    }
    const int tabId = formdata::currentTabId();
    RefreshLiveValues(*document, this, [tabId, document] { return formdata::showsModel(tabId, document); },
                      [finish, document, screenId, dataId](const QString& error) {
                          if (!error.isEmpty()) {
                              LogError(error);
                              finish(false);
                              return;
                          }
                          bool allEqual = false;
                          formdata::guarded([&] {
                              TFormDataManager& manager = App().service<TFormDataManager>();
                              const TFormValueList& values = manager.store().get(dataId);
                              TDataActionCommand command;
                              allEqual = command.compare(screenId, manager.dataName(screenId, dataId), values, *document,
                                                         App().service<TConsoleMemos>().compare,
                                                         App().service<TFieldAliasSource>().aliases);
                          });
                          finish(allEqual);
                      });
}

void TDataAction::NameEdit()
{
    const QModelIndex current = m_selection->currentIndex();
    if (!canEdit(current))
        return;
    beginEdit();
    Q_EMIT editRequested(current);
}

bool TDataAction::canEdit(const QModelIndex& index) const
{
    return index.isValid() && index.parent().isValid();
}

void TDataAction::beginEdit()
{
    m_editing = true;
}

void TDataAction::cancelEdit()
{
    m_editing = false;
}

void TDataAction::finishEdit(const QModelIndex& index, const QString& text)
{
    m_editing = false;
    if (!canEdit(index) || text == index.data().toString())
        return;
    // Called by the name editor of the panel: a failure to store the name is reported and
    // the node keeps the name the index still holds.
    formdata::guarded([&] {
        TCalverdineDocument* document = formdata::currentDocument();
        if (!document)
            return;
        const int dataId = index.data(kDataIdRole).toInt();
        TFormDataManager& manager = App().service<TFormDataManager>();
        manager.changeName(document->ScreenID(), dataId, text);
        m_model->setData(index, manager.dataName(document->ScreenID(), dataId));
        rebuildInputMenu();
        App().bus().NotifyFormDataNameModified(formdata::currentTabId());
    });
}

void TDataAction::Delete()
{
    TCalverdineDocument* document = formdata::currentDocument();
    const int dataId = selectedDataId();
    if (!document || dataId == 0)
        return;
    App().service<TFormDataManager>().deleteData(document->ScreenID(), dataId);
    refresh();
    App().bus().NotifyFormDataDeleted(formdata::currentTabId());
}

void TDataAction::handleProjectEvent(int)
{
    m_refreshed = false;
    clearPanel(ScreenIdCaption());
    qDeleteAll(m_inputMenu);
    m_inputMenu.clear();
    Q_EMIT inputMenuChanged();
    if (QAction* history = formdata::command("ActionDataInputHistory")) {
        SetCommandHint(history, QString());
        history->setEnabled(false);
    }
    App().service<TConsoleMemos>().compare.clear();
}

void TDataAction::handleTabWindowAdded(int)
{
    m_refreshed = false;
    clearPanel(ScreenIdCaption());
    formdata::setCommandEnabled("ActionDataInputHistory", false);
    formdata::setCommandEnabled("ActionDataOpen", true);
}

void TDataAction::handleTabWindowWasNothing(int closedTabId)
{
    App().service<TFormDataHistories>().dropTab(closedTabId);
    m_refreshed = false;
    clearPanel(ScreenIdCaption());
    formdata::setCommandEnabled("ActionDataInputHistory", false);
    formdata::setCommandEnabled("ActionDataOpen", false);
}

void TDataAction::handleTabWindowActivated(int)
{
    App().service<TFormDataHistories>().dropClosedTabs();
    if (formdata::currentDocument())
        refresh();
}

void TDataAction::handleBrowserBeforeNavigate(int)
{
    m_refreshed = false;
    TTabView* tab = formdata::currentTab();
    QStandardItem* root = rootItem();
    root->removeRows(0, root->rowCount());
    root->setText(tab ? tab->GetRequestedUrl() : QString());
    for (const char* name : kNodeCommands)
        formdata::setCommandEnabled(name, false);
}

void TDataAction::handleDocumentParseCompleted(int)
{
    refresh();
}

void TDataAction::handleBusyStateChanged(int)
{
    // Only a parsed page: while the next one loads, the model still describes the page left.
    TTabView* tab = formdata::currentTab();
    if (!m_refreshed && tab && tab->IsReady() && formdata::currentDocument())
        refresh();
}

void TDataAction::handleFormDataSaving(int)
{
    formdata::setCommandEnabled("ActionDataInput", false);
}

void TDataAction::handleFormDataSaved(int)
{
    formdata::setCommandEnabled("ActionDataInput", true);
    refresh();
}

void TDataAction::handleFormDataAdded(int)
{
    TCalverdineDocument* document = formdata::currentDocument();
    if (!document)
        return;
    const int last = App().service<TFormDataHistories>().saveHistory(formdata::currentTabId()).last(document->ScreenID());
    QStandardItem* root = rootItem();
    for (int i = 0; i < root->rowCount(); ++i) {
        if (root->child(i)->data(kDataIdRole).toInt() != last)
            continue;
        const QModelIndex index = root->child(i)->index();
        m_selection->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
        if (TMainWindowHost* host = App().mainWindow)
            host->showRightPage(kDataPage);
        Q_EMIT focusRequested();
        beginEdit();
        Q_EMIT editRequested(index);
        return;
    }
}
