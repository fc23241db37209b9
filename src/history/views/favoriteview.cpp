#include "history/views/favoriteview.h"

#include "core/views/mainform.h"
#include "history/favoriteaction.h"

#include <QApplication>
#include <QComboBox>
#include <QDesktopServices>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDropEvent>
#include <QFormLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPointer>
#include <QSet>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QTreeWidget>
#include <QUrl>

namespace {

constexpr int kNodeRole = Qt::UserRole + 1;
constexpr int kFavoritePage = 0; // the left panel's "お気に入り" page

QIcon NodeIcon(const TFavoriteNode& node, const QStyle* style)
{
    if (node.IsPage())
        return style->standardIcon(QStyle::SP_FileIcon);
    return style->standardIcon(node.IsRoot() ? QStyle::SP_DirHomeIcon : QStyle::SP_DirIcon);
}

// Ends an in-place edit by telling the controller whether the text was accepted; the
// controller's answer rebuilds the tree, so it is told once the editor has closed.
class TFavoriteDelegate final : public QStyledItemDelegate {
public:
    TFavoriteDelegate(QTreeWidget* tree, TFavoriteAction* action) : QStyledItemDelegate(tree), m_action(action)
    {
        connect(this, &QAbstractItemDelegate::closeEditor, this, [this] {
            TFavoriteNode* node = m_node;
            const QString text = m_text;
            const bool accepted = m_accepted;
            m_node = nullptr;
            m_accepted = false;
            QPointer<TFavoriteAction> action(m_action);
            QMetaObject::invokeMethod(
                m_action, [action, node, text, accepted] {
                    if (action)
                        action->FinishEdit(node, text, accepted);
                },
                Qt::QueuedConnection);
        });
    }

    void editing(TFavoriteNode* node) { m_node = node; }

    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override
    {
        if (auto* line = qobject_cast<QLineEdit*>(editor)) {
            m_text = line->text();
            m_accepted = true;
        }
        QStyledItemDelegate::setModelData(editor, model, index);
    }

private:
    TFavoriteAction* m_action;
    TFavoriteNode* m_node = nullptr;
    mutable QString m_text;
    mutable bool m_accepted = false;
};

class TFavoriteTreeEvents final : public QObject {
public:
    TFavoriteTreeEvents(QTreeWidget* tree, TFavoriteAction* action, TMainForm* form)
        : QObject(tree), m_tree(tree), m_action(action), m_form(form)
    {
    }

    bool busy = false; // an expand or collapse just happened

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        switch (event->type()) {
        case QEvent::KeyPress: {
            auto* key = static_cast<QKeyEvent*>(event);
            TFavoriteNode* node = m_action->selected();
            const bool shift = key->modifiers() & Qt::ShiftModifier;
            if (key->key() == Qt::Key_F2 && node) {
                if (shift)
                    m_action->AddressEdit();
                else
                    m_action->NameEdit();
                return true;
            }
            if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && node && node->IsPage()
                && !m_action->editing()) {
                m_action->OpenNode(node, shift);
                return true;
            }
            break;
        }
        case QEvent::MouseMove: {
            if (watched != m_tree->viewport())
                break;
            const QPoint pos = static_cast<QMouseEvent*>(event)->position().toPoint();
            TFavoriteNode* node = FavoriteNodeOf(m_tree->itemAt(pos));
            const QString url = node && node->IsPage() ? node->entry->URL : QString();
            if (url != m_shown) {
                m_shown = url;
                m_form->setStatusText(url);
            }
            break;
        }
        case QEvent::Leave:
            if (watched == m_tree->viewport() && !m_shown.isEmpty()) {
                m_shown.clear();
                m_form->setStatusText(QString());
            }
            break;
        case QEvent::DragEnter:
        case QEvent::DragMove: {
            if (watched != m_tree->viewport())
                break;
            auto* drag = static_cast<QDropEvent*>(event);
            TFavoriteNode* target = FavoriteNodeOf(m_tree->itemAt(drag->position().toPoint()));
            const bool ok = drag->source() == m_tree && m_action->CanDrop(m_action->selected(), target);
            if (event->type() == QEvent::DragEnter || ok) {
                drag->setDropAction(Qt::MoveAction);
                drag->accept();
            }
            if (!ok && event->type() == QEvent::DragMove)
                drag->ignore();
            return true;
        }
        case QEvent::Drop: {
            if (watched != m_tree->viewport())
                break;
            auto* drop = static_cast<QDropEvent*>(event);
            TFavoriteNode* target = FavoriteNodeOf(m_tree->itemAt(drop->position().toPoint()));
            TFavoriteNode* dragged = m_action->selected();
            // The tree is rebuilt from the controller: nothing is moved by the view itself.
            drop->setDropAction(Qt::IgnoreAction);
            drop->accept();
            if (drop->source() == m_tree) {
                QPointer<TFavoriteAction> action(m_action);
                QMetaObject::invokeMethod(
                    m_action, [action, dragged, target] {
                        if (action && action->Contains(dragged) && action->Contains(target))
                            action->Drop(dragged, target);
                    },
                    Qt::QueuedConnection);
            }
            return true;
        }
        default:
            break;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QTreeWidget* m_tree;
    TFavoriteAction* m_action;
    TMainForm* m_form;
    QString m_shown;
};

void AddNodes(QTreeWidgetItem* parentItem, const TFavoriteNode& parent, const QSet<const TFavoriteNode*>& expanded,
              const QStyle* style)
{
    for (const auto& child : parent.children) {
        auto* item = new QTreeWidgetItem(QStringList(child->text));
        item->setData(0, kNodeRole, QVariant::fromValue(reinterpret_cast<quintptr>(child.get())));
        item->setIcon(0, NodeIcon(*child, style));
        if (child->IsPage())
            item->setToolTip(0, child->entry->URL);
        parentItem->addChild(item);
        AddNodes(item, *child, expanded, style);
        if (expanded.contains(child.get()))
            item->setExpanded(true);
    }
}

void CollectExpanded(QTreeWidgetItem* item, QSet<const TFavoriteNode*>& expanded)
{
    for (int i = 0; i < item->childCount(); ++i) {
        QTreeWidgetItem* child = item->child(i);
        if (child->isExpanded())
            expanded.insert(FavoriteNodeOf(child));
        CollectExpanded(child, expanded);
    }
}

bool AddDialog(QWidget* parent, QString& name, QString& subFolder, const QStringList& subFolders)
{
    QDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("TFormBrowserFavoriteAdd"));
    dialog.setWindowTitle(QStringLiteral("ブラウザーのお気に入りに追加"));
    auto* layout = new QFormLayout(&dialog);
    auto* nameEdit = new QLineEdit(name, &dialog);
    auto* folderBox = new QComboBox(&dialog);
    for (const QString& folder : subFolders)
        folderBox->addItem(folder.isEmpty() ? QStringLiteral("(お気に入り)") : folder, folder);
    layout->addRow(QStringLiteral("名前(&N):"), nameEdit);
    layout->addRow(QStringLiteral("作成先(&I):"), folderBox);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    layout->addRow(buttons);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    name = nameEdit->text();
    subFolder = folderBox->currentData().toString();
    return true;
}

} // namespace

TFavoriteNode* FavoriteNodeOf(QTreeWidgetItem* item)
{
    return item ? reinterpret_cast<TFavoriteNode*>(item->data(0, kNodeRole).value<quintptr>()) : nullptr;
}

namespace {

QTreeWidgetItem* FindItem(QTreeWidgetItem* item, const TFavoriteNode* node)
{
    if (FavoriteNodeOf(item) == node)
        return item;
    for (int i = 0; i < item->childCount(); ++i) {
        if (QTreeWidgetItem* found = FindItem(item->child(i), node))
            return found;
    }
    return nullptr;
}

} // namespace

QTreeWidgetItem* FavoriteItemOf(QTreeWidget* tree, const TFavoriteNode* node)
{
    if (!tree || !node)
        return nullptr;
    for (int i = 0; i < tree->topLevelItemCount(); ++i) {
        if (QTreeWidgetItem* found = FindItem(tree->topLevelItem(i), node))
            return found;
    }
    return nullptr;
}

QTreeWidget* FavoriteTree(TMainForm& form)
{
    return form.findChild<QTreeWidget*>(QStringLiteral("TreeViewFavorite"));
}

std::unique_ptr<TActionCalverdine> CreateFavoriteAction(TMainForm& form)
{
    auto owned = std::make_unique<TFavoriteAction>();
    TFavoriteAction* action = owned.get();

    QWidget* page = form.leftPage(kFavoritePage);
    QTreeWidget* tree = page ? page->findChild<QTreeWidget*>(QStringLiteral("TreeViewFavorite")) : nullptr;
    if (!tree) {
        tree = new QTreeWidget;
        tree->setObjectName(QStringLiteral("TreeViewFavorite"));
        if (page)
            TMainForm::setPageContent(page, tree);
    }
    tree->setHeaderHidden(true);
    tree->clear();
    tree->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tree->setMouseTracking(true);
    tree->setDragEnabled(true);
    tree->setAcceptDrops(true);
    tree->viewport()->setAcceptDrops(true);
    tree->setDragDropMode(QAbstractItemView::DragDrop);
    tree->setDefaultDropAction(Qt::MoveAction);
    for (int i = 0; i < 3; ++i) {
        TFavoriteNode* top = action->root(TFavoriteAction::TRoot(i));
        auto* item = new QTreeWidgetItem(QStringList(top->text));
        item->setData(0, kNodeRole, QVariant::fromValue(reinterpret_cast<quintptr>(top)));
        item->setIcon(0, NodeIcon(*top, tree->style()));
        tree->addTopLevelItem(item);
    }

    auto* delegate = new TFavoriteDelegate(tree, action);
    tree->setItemDelegate(delegate);
    auto* events = new TFavoriteTreeEvents(tree, action, &form);
    tree->installEventFilter(events);
    tree->viewport()->installEventFilter(events);
    auto syncing = std::make_shared<bool>(false);

    QObject::connect(action, &TFavoriteAction::rootChanged, tree, [tree, action, syncing](int root) {
        QTreeWidgetItem* top = tree->topLevelItem(root);
        if (!top)
            return;
        QSet<const TFavoriteNode*> expanded;
        CollectExpanded(top, expanded);
        *syncing = true;
        qDeleteAll(top->takeChildren());
        AddNodes(top, *action->root(TFavoriteAction::TRoot(root)), expanded, tree->style());
        if (QTreeWidgetItem* item = FavoriteItemOf(tree, action->selected()))
            tree->setCurrentItem(item);
        *syncing = false;
    });
    QObject::connect(action, &TFavoriteAction::nodeChanged, tree, [tree](TFavoriteNode* node) {
        if (QTreeWidgetItem* item = FavoriteItemOf(tree, node)) {
            item->setText(0, node->text);
            item->setToolTip(0, node->IsPage() ? node->entry->URL : QString());
        }
    });
    QObject::connect(action, &TFavoriteAction::selectionChanged, tree, [tree, syncing](TFavoriteNode* node) {
        QTreeWidgetItem* item = FavoriteItemOf(tree, node);
        if (item == tree->currentItem())
            return;
        *syncing = true;
        if (item)
            tree->setCurrentItem(item);
        else
            tree->setCurrentItem(nullptr);
        *syncing = false;
    });
    QObject::connect(tree, &QTreeWidget::currentItemChanged, action, [action, syncing](QTreeWidgetItem* current) {
        if (!*syncing)
            action->Select(FavoriteNodeOf(current));
    });
    QObject::connect(action, &TFavoriteAction::editRequested, tree, [tree, delegate](TFavoriteNode* node, const QString& text) {
        QTreeWidgetItem* item = FavoriteItemOf(tree, node);
        if (!item)
            return;
        item->setText(0, text);
        item->setFlags(item->flags() | Qt::ItemIsEditable);
        tree->scrollToItem(item);
        delegate->editing(node);
        tree->editItem(item);
        item->setFlags(item->flags() & ~Qt::ItemIsEditable);
    });
    QObject::connect(action, &TFavoriteAction::expandRequested, tree, [tree](TFavoriteNode* node) {
        if (QTreeWidgetItem* item = FavoriteItemOf(tree, node))
            item->setExpanded(true);
    });
    QPointer<TMainForm> formPointer(&form);
    QObject::connect(action, &TFavoriteAction::showPageRequested, tree, [formPointer] {
        if (formPointer)
            formPointer->showLeftPage(kFavoritePage);
    });

    QObject::connect(tree, &QTreeWidget::itemExpanded, events, [events] { events->busy = true; });
    QObject::connect(tree, &QTreeWidget::itemCollapsed, events, [events] { events->busy = true; });
    QObject::connect(tree, &QTreeWidget::itemPressed, events, [events] { events->busy = false; });
    QObject::connect(tree, &QTreeWidget::itemClicked, action, [action, tree, events](QTreeWidgetItem* item) {
        const bool busy = events->busy;
        events->busy = false;
        if (busy || item != tree->currentItem())
            return;
        const bool shift = QApplication::keyboardModifiers() & Qt::ShiftModifier;
        action->OpenNode(FavoriteNodeOf(item), shift);
    });

    action->setAddDialog([formPointer](QString& name, QString& subFolder, const QStringList& subFolders) {
        return AddDialog(formPointer, name, subFolder, subFolders);
    });
    action->setFolderOpener([](const QString& folder) { QDesktopServices::openUrl(QUrl::fromLocalFile(folder)); });
    return owned;
}
