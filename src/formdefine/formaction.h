#pragma once

#include "core/eventbus.h"

#include <QList>
#include <QString>

#include <functional>

class QAction;
class TFormDefineGrid;
class TFormTemplateGrid;
class TFormTree;
class TTagBase;

// The form controller: the frame and form tree of the current page with the value editor and
// the definition grid of the selected form, the form commands (refresh, submit, reset, the
// frame's source, definitions), the save commands (save the forms of the current page as a
// data set of its screen, the last one saved or a new one; save as a new data set; save the
// selected frame or form; save into a data set of the drop-down menu; the switch that
// includes hidden inputs; each save reads the live values of the page in one round trip
// first) and the input templates with their menu and grid.
class TFormAction final : public TActionCalverdine {
    Q_OBJECT
public:
    static constexpr int kFormPage = 0;        // of the right panel
    static constexpr int kTemplateSheet = 4;   // of the console
    static constexpr int kDefineSheet = 5;     // of the console

    explicit TFormAction(QObject* parent = nullptr);
    ~TFormAction() override;

    void Save();
    void SaveAs();
    void SaveSelectTree();
    void SaveTo(int dataId);
    void ToggleSaveHidden();

    void Reflesh();
    void Define();
    void DefineDelete();
    void Submit();
    void Reset();
    void FrameSource();

    TFormTree& tree() const { return *m_tree; }
    TFormDefineGrid& grid() const { return *m_grid; }
    TFormTemplateGrid& templateGrid() const { return *m_templateGrid; }

    // The frame or form selected in the form tree (the tree's selection unless replaced).
    void setSelectedTagSource(std::function<TTagBase*()> source) { m_selectedTag = std::move(source); }

    // The items of the template menu (MenuDataTemplate), owned by the controller; "未登録"
    // (disabled) when the folder has no template.
    QList<QAction*> templateMenuActions() const;
    bool templateMenuEnabled() const { return m_templateMenuEnabled; }
    void rebuildTemplateMenu();
    // Shows the template of the file list position in the template grid.
    void ChooseTemplate(int fileIndex);
    // Hands a text to the current tab, which enters it into the page's focused field.
    void RunText(const QString& text);
    const QStringList& templateFiles() const { return m_templateFiles; }

    // The items of the save drop-down menu (PopupMenuFormSave), owned by the controller.
    const QList<QAction*>& saveMenuActions() const { return m_saveMenu; }
    void rebuildSaveMenu();

    bool isSaving() const { return m_saving; }

Q_SIGNALS:
    void saveMenuChanged();
    void templateMenuChanged();
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

    void rebuildTree();
    void dropTemplates();
    void handleSelection(bool formSelected, bool frameSource, bool saveTree);

    TFormDefineGrid* m_grid = nullptr;
    TFormTree* m_tree = nullptr;
    TFormTemplateGrid* m_templateGrid = nullptr;
    std::function<TTagBase*()> m_selectedTag;
    QList<QAction*> m_templateMenu;
    QStringList m_templateFiles;
    QString m_templateFolder;
    bool m_templateMenuEnabled = false;
    QList<QAction*> m_saveMenu;
    bool m_refreshed = false;
    bool m_saving = false;
};

// Creates the folders FormDefine, FormData and FormTemplate in the data directory.
void CreateFormFolders();
