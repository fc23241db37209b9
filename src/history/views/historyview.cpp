#include "history/views/historyview.h"

#include "core/appcontext.h"
#include "core/commandlist.h"
#include "core/views/mainform.h"
#include "history/historyaction.h"

#include <QAction>
#include <QMenu>
#include <QPointer>
#include <QTreeWidget>

namespace {

constexpr int kUrlRole = Qt::UserRole;
constexpr int kHistoryPage = 1; // the left panel's "履歴" page

enum TRoot { AllVisits = 0, FrontVisits = 1, PerDomain = 2 };

QTreeWidgetItem* PageNode(const THistoryEntry& entry)
{
    auto* node = new QTreeWidgetItem(QStringList(entry.Title.isEmpty() ? entry.Url : entry.Title));
    node->setData(0, kUrlRole, entry.Url);
    node->setToolTip(0, entry.Url);
    return node;
}

void FillPages(QTreeWidgetItem* parent, const QList<THistoryEntry>& entries)
{
    const bool expanded = parent->isExpanded();
    qDeleteAll(parent->takeChildren());
    QList<QTreeWidgetItem*> nodes;
    for (const THistoryEntry& entry : entries)
        nodes.append(PageNode(entry));
    parent->addChildren(nodes);
    parent->setExpanded(expanded);
}

QTreeWidgetItem* DomainNode(QTreeWidgetItem* root, const QString& domain)
{
    for (int i = 0; i < root->childCount(); ++i) {
        if (root->child(i)->text(0) == domain)
            return root->child(i);
    }
    auto* node = new QTreeWidgetItem(QStringList(domain));
    root->addChild(node);
    return node;
}

void FillMenu(QMenu* menu, const QStringList& captions, THistoryAction* action, int direction)
{
    if (!menu)
        return;
    menu->clear();
    for (int i = 0; i < captions.size(); ++i) {
        QAction* item = menu->addAction(captions.at(i));
        QObject::connect(item, &QAction::triggered, action, [action, direction, i] { action->Travel(direction * (i + 1)); });
    }
}

} // namespace

QTreeWidget* HistoryTree(TMainForm& form)
{
    return form.findChild<QTreeWidget*>(QStringLiteral("TreeViewHistory"));
}

std::unique_ptr<TActionCalverdine> CreateHistoryAction(TMainForm& form)
{
    auto owned = std::make_unique<THistoryAction>();
    THistoryAction* action = owned.get();

    QWidget* page = form.leftPage(kHistoryPage);
    QTreeWidget* tree = page ? page->findChild<QTreeWidget*>(QStringLiteral("TreeViewHistory")) : nullptr;
    if (!tree) {
        tree = new QTreeWidget;
        tree->setObjectName(QStringLiteral("TreeViewHistory"));
        if (page)
            TMainForm::setPageContent(page, tree);
    }
    tree->setHeaderHidden(true);
    tree->clear();
    for (const char* text : { "全ての履歴", "選択しているウィンドウの履歴", "ドメイン毎の履歴" })
        tree->addTopLevelItem(new QTreeWidgetItem(QStringList(QString::fromUtf8(text))));

    QObject::connect(action, &THistoryAction::allVisitsChanged, tree, [tree, action] {
        FillPages(tree->topLevelItem(AllVisits), action->Store().AllVisits());
    });
    QObject::connect(action, &THistoryAction::frontVisitsChanged, tree, [tree, action] {
        FillPages(tree->topLevelItem(FrontVisits), action->FrontVisits());
    });
    QObject::connect(action, &THistoryAction::domainChanged, tree, [tree, action](const QString& domain) {
        QTreeWidgetItem* node = DomainNode(tree->topLevelItem(PerDomain), domain);
        FillPages(node, action->Store().Domains().value(domain).values());
    });
    QObject::connect(action, &THistoryAction::cleared, tree, [tree] {
        for (int i = 0; i < tree->topLevelItemCount(); ++i)
            qDeleteAll(tree->topLevelItem(i)->takeChildren());
    });
    // A page node (under the visits roots or under a domain) opens its page in the current tab.
    QObject::connect(tree, &QTreeWidget::itemClicked, action, [action](QTreeWidgetItem* item, int) {
        if (!item || !item->parent())
            return;
        const QString url = item->data(0, kUrlRole).toString();
        if (!url.isEmpty())
            action->Open(url);
    });

    QPointer<QMenu> back = form.dropDownMenu(QStringLiteral("ActionViewBack"));
    QPointer<QMenu> forward = form.dropDownMenu(QStringLiteral("ActionViewForward"));
    QAction* backCommand = App().commands().action(QStringLiteral("ActionViewBack"));
    QAction* forwardCommand = App().commands().action(QStringLiteral("ActionViewForward"));
    QObject::connect(action, &THistoryAction::travelMenusChanged, action,
                     [=](const QStringList& backCaptions, const QStringList& forwardCaptions) {
                         FillMenu(back, backCaptions, action, -1);
                         FillMenu(forward, forwardCaptions, action, 1);
                         if (backCommand)
                             SetCommandHint(backCommand, backCaptions.isEmpty() ? QString() : CaptionBeforeParenthesis(backCaptions.first()));
                         if (forwardCommand)
                             SetCommandHint(forwardCommand, forwardCaptions.isEmpty() ? QString() : CaptionBeforeParenthesis(forwardCaptions.first()));
                     });
    return owned;
}
