#include "formdata/views/dataactionfactory.h"

#include "core/views/mainform.h"
#include "formdata/dataaction.h"
#include "formdata/formdatacommon.h"
#include "formdata/views/datapanel.h"
#include "formdata/views/formdataopen.h"

#include <QAction>
#include <QMenu>
#include <QPointer>
#include <QShortcut>
#include <QTabWidget>

namespace {

class TFormDataOpenChooser final : public TDataOpenChooser {
public:
    explicit TFormDataOpenChooser(QWidget* parent) : m_parent(parent) {}

    std::optional<Choice> choose(const QString& currentScreenId) override
    {
        TFormDataOpen dialog(currentScreenId, m_parent.data());
        if (dialog.exec() != QDialog::Accepted)
            return std::nullopt;
        return Choice { dialog.choice().chosenScreenId(), dialog.choice().chosenDataId() };
    }

private:
    QPointer<QWidget> m_parent;
};

void fillMenu(QMenu* menu, const QList<QAction*>& actions)
{
    if (!menu)
        return;
    menu->clear();
    menu->addActions(actions);
}

}

std::unique_ptr<TActionCalverdine> CreateDataAction(TMainForm& form)
{
    auto action = std::make_unique<TDataAction>(std::make_unique<TFormDataOpenChooser>(&form));
    TDataAction* data = action.get();

    auto* panel = new TDataPanel(*data);
    TMainForm::setPageContent(form.rightPage(TDataAction::kDataPage), panel);

    QPointer<QMenu> menu = form.dropDownMenu(QStringLiteral("ActionDataInputHistory"));
    QObject::connect(data, &TDataAction::inputMenuChanged, data, [data, menu] { fillMenu(menu, data->inputMenuActions()); });

    auto* rename = new QShortcut(QKeySequence(Qt::Key_F2), &form);
    rename->setContext(Qt::WindowShortcut);
    QTabWidget* right = form.rightPanel();
    auto follow = [rename, right] { rename->setEnabled(right && right->currentIndex() == TDataAction::kDataPage); };
    follow();
    if (right)
        QObject::connect(right, &QTabWidget::currentChanged, rename, follow);
    auto nameEdit = [data] {
        formdata::guarded([data] {
            if (!data->isEditing())
                data->NameEdit();
        });
    };
    QObject::connect(rename, &QShortcut::activated, data, nameEdit);
    QObject::connect(rename, &QShortcut::activatedAmbiguously, data, nameEdit);
    return action;
}
