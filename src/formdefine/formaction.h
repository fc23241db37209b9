#pragma once

#include "core/eventbus.h"

#include <QList>
#include <QString>

#include <functional>

class QAction;
class TTagBase;

// The form controller. For now its save commands: save the forms of the current page as a
// data set of its screen (the last one saved or a new one), save as a new data set, save
// the selected frame or form, save into a data set of the drop-down menu, and the switch
// that includes hidden inputs. Each save reads the live values of the page in one round
// trip first. The other form commands stay disabled until the form tree exists.
class TFormAction final : public TActionCalverdine {
    Q_OBJECT
public:
    explicit TFormAction(QObject* parent = nullptr);
    ~TFormAction() override;

    void Save();
    void SaveAs();
    void SaveSelectTree();
    void SaveTo(int dataId);
    void ToggleSaveHidden();

    // The frame or form selected in the form tree; without one nothing is selected.
    void setSelectedTagSource(std::function<TTagBase*()> source) { m_selectedTag = std::move(source); }

    // The items of the save drop-down menu (PopupMenuFormSave), owned by the controller.
    const QList<QAction*>& saveMenuActions() const { return m_saveMenu; }
    void rebuildSaveMenu();

    bool isSaving() const { return m_saving; }

Q_SIGNALS:
    void saveMenuChanged();
    // A save ended with the data ID, or with 0 and the message of its failure.
    void saveFinished(int dataId, const QString& error);

private:
    void handleProjectStarted(int);
    void handleProjectClosed(int);
    void handleClearViews(int);
    void handleTabWindowActivated(int);
    void handleBrowserBeforeNavigate(int);
    void handleDocumentParseCompleted(int);
    void handleBusyStateChanged(int);
    void handleFormDataSaving(int);
    void handleFormDataSaved(int);
    void handleMenuChanged(int);

    void startSave(int targetDataId, TTagBase* tag);
    void finishSave(int dataId, const QString& error);
    void refresh();
    void clearViews();
    void resetSaveHidden();
    void setSaveEnabled(bool save, bool saveAs);

    std::function<TTagBase*()> m_selectedTag;
    QList<QAction*> m_saveMenu;
    bool m_refreshed = false;
    bool m_saving = false;
};

// Creates the folders FormDefine, FormData and FormTemplate in the data directory.
void CreateFormFolders();
