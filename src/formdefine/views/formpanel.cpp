#include "formdefine/views/formpanel.h"

#include "core/appcontext.h"
#include "core/commandlist.h"
#include "formdata/formdatacommon.h"
#include "formdefine/formaction.h"

#include <QAction>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QSplitter>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

constexpr int kNodeRole = Qt::UserRole + 1;
constexpr int kTypeRole = Qt::UserRole + 2;

// The editors of the value column by the part's type.
class TValueDelegate final : public QStyledItemDelegate {
public:
    explicit TValueDelegate(TFormPanel* panel) : QStyledItemDelegate(panel), m_panel(panel) {}

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        const QString type = index.data(kTypeRole).toString();
        if (type == QLatin1String("CHECKBOX") || type == QLatin1String("RADIO")) {
            auto* box = new QComboBox(parent);
            box->addItems({ QStringLiteral("checked"), QString() });
            return box;
        }
        if (type == QLatin1String("SELECT")) {
            auto* editor = new QWidget(parent);
            auto* layout = new QHBoxLayout(editor);
            layout->setContentsMargins(0, 0, 0, 0);
            layout->setSpacing(0);
            auto* line = new QLineEdit(editor);
            line->setObjectName(QStringLiteral("value"));
            auto* ellipsis = new QToolButton(editor);
            ellipsis->setText(QStringLiteral("..."));
            layout->addWidget(line, 1);
            layout->addWidget(ellipsis);
            editor->setFocusProxy(line);
            const int row = index.row();
            QPointer<TFormPanel> panel(m_panel);
            QPointer<QLineEdit> guard(line);
            connect(ellipsis, &QToolButton::clicked, editor, [panel, row, guard] {
                if (!panel)
                    return;
                panel->chooseOptions(row);
                // The editor closes with the chosen value, not with its older text.
                if (guard && panel->values()->item(row, 1))
                    guard->setText(panel->values()->item(row, 1)->text());
            });
            return editor;
        }
        return QStyledItemDelegate::createEditor(parent, option, index);
    }
    void setEditorData(QWidget* editor, const QModelIndex& index) const override
    {
        if (auto* box = qobject_cast<QComboBox*>(editor)) {
            box->setCurrentIndex(index.data().toString().isEmpty() ? 1 : 0);
            return;
        }
        if (auto* line = editor->findChild<QLineEdit*>(QStringLiteral("value"))) {
            line->setText(index.data().toString());
            return;
        }
        QStyledItemDelegate::setEditorData(editor, index);
    }
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override
    {
        if (auto* box = qobject_cast<QComboBox*>(editor)) {
            model->setData(index, box->currentText());
            return;
        }
        if (auto* line = editor->findChild<QLineEdit*>(QStringLiteral("value"))) {
            model->setData(index, line->text());
            return;
        }
        QStyledItemDelegate::setModelData(editor, model, index);
    }

private:
    TFormPanel* m_panel;
};

}

TFormSelectOption::TFormSelectOption(const TFormTree::TSelectChoice& choice, QWidget* parent)
    : QDialog(parent), m_values(choice.values)
{
    setObjectName(QStringLiteral("TFormSelectOption"));
    setWindowTitle(QStringLiteral("OPTION リストの選択"));
    auto* layout = new QVBoxLayout(this);
    m_list = new QListWidget(this);
    m_list->setSelectionMode(choice.multiple ? QAbstractItemView::MultiSelection : QAbstractItemView::SingleSelection);
    QSet<QString> current;
    for (const QString& value : choice.current)
        current.insert(value.toCaseFolded());
    for (int i = 0; i < choice.values.size(); ++i) {
        auto* item = new QListWidgetItem(choice.values[i] + QLatin1Char(':') + choice.texts.value(i), m_list);
        item->setSelected(current.contains(choice.values[i].toCaseFolded()));
    }
    layout->addWidget(m_list);
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("キャンセル"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

QStringList TFormSelectOption::chosenValues() const
{
    QStringList chosen;
    for (int i = 0; i < m_list->count() && i < m_values.size(); ++i) {
        if (m_list->item(i)->isSelected())
            chosen << m_values[i];
    }
    return chosen;
}

TFormPanel::TFormPanel(TFormAction& action, QWidget* parent) : QWidget(parent), m_action(&action)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* splitter = new QSplitter(Qt::Vertical, this);
    splitter->setObjectName(QStringLiteral("SplitterForm"));
    layout->addWidget(splitter);

    m_tree = new QTreeWidget(splitter);
    m_tree->setObjectName(QStringLiteral("TreeViewForm"));
    m_tree->setHeaderHidden(true);
    m_tree->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_tree->setContextMenuPolicy(Qt::CustomContextMenu);

    m_values = new QTableWidget(0, 2, splitter);
    m_values->setObjectName(QStringLiteral("ValueListEditorForm"));
    m_values->setHorizontalHeaderLabels({ QStringLiteral("名前"), QStringLiteral("値") });
    m_values->horizontalHeader()->setStretchLastSection(true);
    m_values->verticalHeader()->hide();
    m_values->setItemDelegateForColumn(1, new TValueDelegate(this));

    m_menu = new QMenu(this);
    m_menu->setObjectName(QStringLiteral("PopupMenuForm"));
    for (const char* name : { "ActionFormReflesh", "ActionFormSubmit", "ActionFormReset", "", "ActionFormSave",
                              "ActionFormSaveAs", "ActionFormSaveSelectTree", "ActionFormSaveHidden", "",
                              "ActionFormDefine", "ActionFormDefineDelete", "", "ActionFormFrameSource" }) {
        if (!*name)
            m_menu->addSeparator();
        else if (QAction* a = App().commands().action(QLatin1String(name)))
            m_menu->addAction(a);
    }

    connect(m_tree, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) { selectItem(item); });
    connect(m_tree, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* item) { selectItem(item); });
    connect(m_tree, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item) {
        if (!m_action || m_filling || !item)
            return;
        const int node = item->data(0, kNodeRole).toInt();
        const auto& nodes = m_action->tree().nodes();
        if (node > 0 && size_t(node) < nodes.size() && nodes[size_t(node)].form)
            formdata::guarded([this] { m_action->Submit(); });
    });
    connect(m_tree, &QTreeWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        if (QTreeWidgetItem* item = m_tree->itemAt(at))
            m_tree->setCurrentItem(item);
        m_menu->popup(m_tree->viewport()->mapToGlobal(at));
    });
    connect(m_values, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* item) {
        if (m_filling || !m_action || !item || item->column() != 1)
            return;
        const int row = item->row();
        const QString text = item->text();
        formdata::guarded([&] { m_action->tree().editValue(row, text); });
    });
    TFormTree& tree = action.tree();
    connect(&tree, &TFormTree::treeChanged, this, &TFormPanel::rebuildTree);
    connect(&tree, &TFormTree::rowsChanged, this, &TFormPanel::refillRows);
    connect(&tree, &TFormTree::rowChanged, this, &TFormPanel::refillRow);
    rebuildTree();
}

void TFormPanel::selectItem(QTreeWidgetItem* item)
{
    if (!item || m_filling || !m_action)
        return;
    const int node = item->data(0, kNodeRole).toInt();
    formdata::guarded([&] { m_action->tree().select(node); });
}

void TFormPanel::rebuildTree()
{
    if (!m_action)
        return;
    m_filling = true;
    m_tree->clear();
    std::vector<QTreeWidgetItem*> items;
    const auto& nodes = m_action->tree().nodes();
    for (size_t i = 0; i < nodes.size(); ++i) {
        const TFormTree::TFormTreeNode& node = nodes[i];
        QTreeWidgetItem* item = node.parent < 0 ? new QTreeWidgetItem(m_tree)
                                                : new QTreeWidgetItem(items[size_t(node.parent)]);
        item->setText(0, node.text);
        item->setData(0, kNodeRole, int(i));
        if (node.frame)
            item->setIcon(0, style()->standardIcon(QStyle::SP_DirIcon));
        else if (node.form)
            item->setIcon(0, style()->standardIcon(QStyle::SP_FileDialogDetailedView));
        items.push_back(item);
    }
    m_tree->expandAll();
    m_filling = false;
}

void TFormPanel::refillRows()
{
    if (!m_action)
        return;
    m_filling = true;
    const auto& rows = m_action->tree().rows();
    m_values->setRowCount(int(rows.size()));
    for (int r = 0; r < rows.size(); ++r) {
        auto* key = new QTableWidgetItem(rows[r].key);
        key->setFlags(key->flags() & ~Qt::ItemIsEditable);
        m_values->setItem(r, 0, key);
        auto* value = new QTableWidgetItem(rows[r].value);
        value->setData(kTypeRole, rows[r].type);
        m_values->setItem(r, 1, value);
    }
    m_filling = false;
}

void TFormPanel::refillRow(int row)
{
    if (!m_action || row < 0 || row >= m_values->rowCount())
        return;
    m_filling = true;
    if (QTableWidgetItem* item = m_values->item(row, 1))
        item->setText(m_action->tree().rows().value(row).value);
    m_filling = false;
}

void TFormPanel::chooseOptions(int row)
{
    if (!m_action)
        return;
    TFormTree::TSelectChoice choice;
    if (!m_action->tree().selectChoice(row, &choice))
        return;
    TFormSelectOption dialog(choice, this);
    if (dialog.exec() != QDialog::Accepted || !m_action)
        return;
    const QStringList values = dialog.chosenValues();
    formdata::guarded([&] { m_action->tree().chooseOptions(row, values); });
}
