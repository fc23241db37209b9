#include "operation/views/testactionview.h"

#include "core/appcontext.h"
#include "core/commandlist.h"
#include "core/mainwindowhost.h"
#include "core/views/mainform.h"
#include "operation/testaction.h"
#include "operation/testoperationaction.h"
#include "operation/views/formautooperation.h"

#include <QAction>
#include <QApplication>
#include <QHeaderView>
#include <QMenu>
#include <QPointer>
#include <QStandardItemModel>
#include <QStyle>
#include <QStyledItemDelegate>

namespace {

constexpr int kRightTestPage = 3; // the right panel's "操作" page
constexpr int kConsoleLogPage = 0; // the console's "動作ログ" page

// Draws each node with the image its image index names: a folder for the root, a page for
// an operation.
class TTestNodeDelegate final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        const int image = index.data(TTestTreeNode::kImageRole).toInt();
        if (image <= 0)
            return;
        QStyle* style = option->widget ? option->widget->style() : QApplication::style();
        option->icon = style->standardIcon(image == 1 ? QStyle::SP_DirIcon : QStyle::SP_FileIcon);
        option->features |= QStyleOptionViewItem::HasDecoration;
    }
};

// Opens TFormAutoOperation modally over the main window.
class TFormAutoOperationEditor final : public TOperationEditor {
public:
    explicit TFormAutoOperationEditor(QWidget* parent) : m_parent(parent) {}

    bool edit(TCommandAutoOperation& operation, const TOperationList& operations) override
    {
        TPrompter* prompter = App().prompter();
        if (!prompter)
            return false;
        TFormAutoOperation dialog(operation, operations, TAutoOperationChoices::Current(operation.TargetScreenID), *prompter,
                                  m_parent.data());
        if (dialog.exec() != QDialog::Accepted)
            return false;
        dialog.CopyFields();
        return true;
    }

private:
    QPointer<QWidget> m_parent;
};

} // namespace

TTestTreeView::TTestTreeView(TTestAction& action, QWidget* parent)
    : QTreeView(parent)
    , m_action(action)
{
    setObjectName(QStringLiteral("TreeViewTest"));
    setModel(action.model());
    setSelectionModel(action.selectionModel());
    setItemDelegate(new TTestNodeDelegate(this));
    header()->hide();
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setContextMenuPolicy(Qt::CustomContextMenu);
    expandAll();
    connect(&action, &TTestAction::expandRequested, this, [this] { expand(m_action.root()->index()); });
    connect(this, &QAbstractItemView::clicked, &action, [this] { m_action.UpdateActionStates(); });
    connect(this, &QAbstractItemView::doubleClicked, this, &TTestTreeView::handleDoubleClicked);
    connect(this, &QWidget::customContextMenuRequested, this, &TTestTreeView::handleContextMenu);

    m_menu = new QMenu(this);
    m_menu->setObjectName(QStringLiteral("PopupMenuTest"));
    TCommandList& commands = App().commands();
    for (const char* name : { "ActionTestAutoExecute", "", "ActionTestAutoEdit", "ActionTestAutoDelete" }) {
        if (!*name)
            m_menu->addSeparator();
        else if (QAction* a = commands.action(QString::fromLatin1(name)))
            m_menu->addAction(a);
    }
}

void TTestTreeView::handleContextMenu(const QPoint& position)
{
    const QModelIndex index = indexAt(position);
    if (index.isValid())
        setCurrentIndex(index);
    m_action.UpdateActionStates();
    m_menu->popup(viewport()->mapToGlobal(position));
}

void TTestTreeView::handleDoubleClicked(const QModelIndex&)
{
    QAction* execute = App().commands().action(QStringLiteral("ActionTestAutoExecute"));
    if (execute && execute->isEnabled())
        execute->trigger();
}

std::unique_ptr<TActionCalverdine> CreateTestAction(TMainForm& form)
{
    auto action = std::make_unique<TTestAction>(std::make_unique<TFormAutoOperationEditor>(&form));
    TTestAction* test = action.get();
    QObject::connect(test, &TTestAction::logPageRequested, test, [] {
        if (TMainWindowHost* host = App().mainWindow)
            host->showConsolePage(kConsoleLogPage);
    });
    TMainForm::setPageContent(form.rightPage(kRightTestPage), new TTestTreeView(*test));
    return action;
}
