#include "formdefine/views/formactionfactory.h"

#include "core/views/mainform.h"
#include "formdefine/formaction.h"

#include <QMenu>
#include <QPointer>

std::unique_ptr<TActionCalverdine> CreateFormAction(TMainForm& form)
{
    auto action = std::make_unique<TFormAction>();
    TFormAction* formAction = action.get();
    QPointer<QMenu> menu = form.dropDownMenu(QStringLiteral("ActionFormSave"));
    QObject::connect(formAction, &TFormAction::saveMenuChanged, formAction, [formAction, menu] {
        if (!menu)
            return;
        menu->clear();
        menu->addActions(formAction->saveMenuActions());
    });
    return action;
}
