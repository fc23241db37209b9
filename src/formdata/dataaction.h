#pragma once

#include "core/eventbus.h"

#include <QList>
#include <QModelIndex>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

class QAction;
class QItemSelectionModel;
class QStandardItem;
class QStandardItemModel;

// Chooses a data set of another screen (the dialog TFormDataOpen); the views implement it,
// tests fake it.
class TDataOpenChooser {
public:
    struct Choice {
        QString screenId;
        int dataId = 0;
    };
    virtual ~TDataOpenChooser() = default;
    virtual std::optional<Choice> choose(const QString& currentScreenId) = 0;
};

// The data controller: the data panel (the screen ID with its data sets), writing a data
// set into the page, comparing one with what the page shows, renaming and deleting data
// sets, and the data sets of other screens. The panel is a model here; the view shows it
// and forwards the user's gestures.
class TDataAction final : public TActionCalverdine {
    Q_OBJECT
public:
    static constexpr int kDataIdRole = Qt::UserRole + 1;
    static constexpr int kComparePage = 6;
    static constexpr int kDataPage = 1;

    explicit TDataAction(std::unique_ptr<TDataOpenChooser> chooser = nullptr, QObject* parent = nullptr);
    ~TDataAction() override;

    // The data controller of the main window (the automatic operations call it), or none.
    static TDataAction* instance();
    // Input, rename, delete and compare follow the selected data set (also after a save that
    // failed, which disabled input while it ran).
    void updateNodeActions();

    QStandardItemModel* model() const { return m_model; }
    QItemSelectionModel* selectionModel() const { return m_selection; }
    QModelIndex rootIndex() const;

    // The commands.
    void Input();
    void InputHistory();
    void Open();
    void Compare();
    void NameEdit();
    void Delete();

    // Entry points of automatic operations. InputData writes the data set into the current
    // page (false when nothing was written); CompareForm compares it with the current
    // screen after reading the page's live values, and answers whether all were equal.
    bool InputData(const QString& screenId, int dataId);
    void CompareForm(int dataId, std::function<void(bool allEqual)> done);

    // In-place editing of a data node's name.
    bool canEdit(const QModelIndex& index) const;
    void beginEdit();
    void finishEdit(const QModelIndex& index, const QString& text);
    void cancelEdit();
    bool isEditing() const { return m_editing; }

    // The data ID of the selected node, 0 for the root or nothing.
    int selectedDataId() const;
    // The items of the input drop-down menu, owned by the controller.
    const QList<QAction*>& inputMenuActions() const { return m_inputMenu; }

    void refresh();

Q_SIGNALS:
    void inputMenuChanged();
    void editRequested(const QModelIndex& index);
    void focusRequested();
    void compareFinished(bool allEqual);

private:
    void handleProjectEvent(int);
    void handleTabWindowAdded(int);
    void handleTabWindowWasNothing(int);
    void handleTabWindowActivated(int);
    void handleBrowserBeforeNavigate(int);
    void handleDocumentParseCompleted(int);
    void handleBusyStateChanged(int);
    void handleFormDataSaving(int);
    void handleFormDataSaved(int);
    void handleFormDataAdded(int);

    void clearPanel(const QString& rootText);
    void rebuildInputMenu();
    void compare(int dataId, std::function<void(bool)> done);
    QStandardItem* rootItem() const;

    std::unique_ptr<TDataOpenChooser> m_chooser;
    QStandardItemModel* m_model = nullptr;
    QItemSelectionModel* m_selection = nullptr;
    QList<QAction*> m_inputMenu;
    bool m_editing = false;
    bool m_refreshed = false;
};

// The root text of the data panel without a screen.
QString ScreenIdCaption();
