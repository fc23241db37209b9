#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <vector>

class TCalverdineDocument;
class TFormDefineGrid;
class TTagBase;
class TTagForm;
class TTagFrame;

// The frame and form tree of the current page (TreeViewForm) with the value editor of the
// selected form (ValueListEditorForm). Values edited here go straight into the page, one
// round trip per edit; the page's own input and change handlers see them.
class TFormTree final : public QObject {
    Q_OBJECT
public:
    // The root (parent -1, no tag), then frame and form nodes.
    struct TFormTreeNode {
        int parent = -1;
        QString text;
        TTagFrame* frame = nullptr;
        TTagForm* form = nullptr;

        TTagBase* tag() const;
    };
    // One row of the value editor: the part's local name and its value as shown.
    struct TValueRow {
        QString key;
        QString value;
        QString type; // upper case: "TEXT", "CHECKBOX", "RADIO", "SELECT", "PASSWORD"...
    };
    // What the option dialog of a selection row offers.
    struct TSelectChoice {
        QStringList values;
        QStringList texts;
        bool multiple = false;
        QStringList current;
    };

    static constexpr int kNoNode = -1;

    explicit TFormTree(TFormDefineGrid& grid, QObject* parent = nullptr);

    // The tree of the document (root text = its screen ID), nothing selected.
    void rebuild(TCalverdineDocument* document, int tabId);
    // Only the root, with that text; the values and the grid emptied.
    void clear(const QString& rootText);

    const std::vector<TFormTreeNode>& nodes() const { return m_nodes; }
    int selected() const { return m_selected; }
    TCalverdineDocument* document() const { return m_document; }
    // The selected node's frame or form while the page still shows it.
    TTagBase* selectedTag() const;
    TTagForm* selectedForm() const;
    // Runs the node's "selected" operation (also when it is selected already).
    void select(int node);
    // Reads the selected form again (values and grid) from the model.
    void reselect() { select(m_selected); }
    // Reads the live values of the page (one round trip), then the selected form again.
    void refreshLive();

    bool filling() const { return m_filling; }
    const QList<TValueRow>& rows() const { return m_rows; }
    // Writes an edited value (row from 0) into the page and shows what the page took.
    void editValue(int row, const QString& text);
    // The options of a selection row, or none for another row.
    bool selectChoice(int row, TSelectChoice* choice) const;
    // The chosen option values (in option order) as the row's new value.
    void chooseOptions(int row, const QStringList& values);

    void submit();
    void reset();

    // Whether the node's frame has a document of its own.
    bool frameHasDocument(int node) const;

Q_SIGNALS:
    void treeChanged();
    void rowsChanged();
    void rowChanged(int row);
    // Action states follow a selection: (refresh/define/submit... enabled, frame source, save tree)
    void selectionStateChanged(bool formSelected, bool frameSource, bool saveTree);
    // The page did not answer a refresh of its live values (the message says why).
    void refreshFailed(const QString& message);

private:
    bool valid() const;
    void addFrame(TTagFrame* frame, int parent);
    void addForms(TTagFrame* frame, int parent);
    void fillRows(TTagForm& form);
    QString shownValue(const TTagForm& form, int index) const;

    TFormDefineGrid& m_grid;
    std::vector<TFormTreeNode> m_nodes;
    QList<TValueRow> m_rows;
    TCalverdineDocument* m_document = nullptr;
    int m_tabId = 0;
    int m_selected = kNoNode;
    bool m_filling = false;
};
