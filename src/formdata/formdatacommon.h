#pragma once

#include <QList>
#include <QString>

class QAction;
class TCalverdineDocument;
class TFormDataManager;
class TFormDataPopupHistory;
class TTabView;

namespace formdata {

// The current tab, its ID (0 without one) and its parsed document model (or none).
TTabView* currentTab();
int currentTabId();
TCalverdineDocument* currentDocument();
// Whether the tab still shows that document model (an answer of the page came back for it).
bool showsModel(int tabId, const TCalverdineDocument* document);

// The command of that name (none when the catalogue has no such command).
QAction* command(const char* name);
void setCommandEnabled(const char* name, bool enabled);

// Runs a command's work; a failure is logged and shown, as a failing handler would be.
template <class F>
void guarded(F&& work);
void reportFailure();

// One item of the save or input drop-down menu.
struct THistoryMenuItem {
    int dataId = 0;
    QString caption; // the data name + "(&" + key + ")" for the first 36 items
    QString name;
    bool checked = false;
};

// The items of a drop-down menu built from a history's list for the screen: the data sets
// the manager still has, in list order, the last one used checked.
QList<THistoryMenuItem> historyMenu(const TFormDataPopupHistory& history, const QString& screenId,
                                    TFormDataManager& manager);

}

template <class F>
void formdata::guarded(F&& work)
{
    try {
        work();
    } catch (...) {
        reportFailure();
    }
}
