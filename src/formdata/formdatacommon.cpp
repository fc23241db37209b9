#include "formdata/formdatacommon.h"

#include "core/appcontext.h"
#include "core/commandlist.h"
#include "core/error.h"
#include "core/log.h"
#include "core/tabaccess.h"
#include "formdata/formdatamanager.h"
#include "formdata/formdatapopuphistory.h"

#include <QAction>

namespace formdata {

TTabView* currentTab()
{
    return CurrentTabView();
}

int currentTabId()
{
    TTabView* tab = currentTab();
    return tab ? tab->TabId() : 0;
}

TCalverdineDocument* currentDocument()
{
    TTabView* tab = currentTab();
    return tab ? tab->GetDocumentModel() : nullptr;
}

bool showsModel(int tabId, const TCalverdineDocument* document)
{
    TTabRegistry* tabs = App().tabs;
    TTabView* tab = tabs ? tabs->FindTab(tabId) : nullptr;
    return tab && tab->GetDocumentModel() == document;
}

QAction* command(const char* name)
{
    return App().commands().action(QString::fromLatin1(name));
}

void setCommandEnabled(const char* name, bool enabled)
{
    if (QAction* a = command(name))
        a->setEnabled(enabled);
}

void reportFailure()
{
    LogError(CurrentExceptionMessage());
}

QList<THistoryMenuItem> historyMenu(const TFormDataPopupHistory& history, const QString& screenId,
                                    TFormDataManager& manager)
{
    static const QString kKeys = QStringLiteral("1234567890ABCDEFGHIJKLMNOPQRSTUVWXYZ");
    QList<THistoryMenuItem> items;
    // Loading the screen's data sets adds them to the tab's save history: load first, then
    // walk a copy of the list.
    manager.dataList(screenId);
    const QList<int> ids = history.list(screenId);
    const int last = history.last(screenId);
    for (int dataId : ids) {
        if (!manager.exists(screenId, dataId))
            continue;
        THistoryMenuItem item;
        item.dataId = dataId;
        item.name = manager.dataName(screenId, dataId);
        item.caption = item.name;
        if (items.size() < kKeys.size())
            item.caption += QStringLiteral("(&") + kKeys[items.size()] + QLatin1Char(')');
        item.checked = dataId == last;
        items << item;
    }
    return items;
}

}
