#include "formdefine/views/formactionfactory.h"

#include "core/views/mainform.h"
#include "formdefine/formaction.h"
#include "formdefine/views/formpanel.h"
#include "formdefine/views/stringgridform.h"
#include "formdefine/views/stringgridtemplate.h"

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

    QPointer<QMenu> templates = form.subMenu(QStringLiteral("MenuDataTemplate"));
    auto fillTemplates = [formAction, templates] {
        if (!templates)
            return;
        templates->clear();
        // The main window enables the submenu while it offers an enabled item.
        templates->addActions(formAction->templateMenuActions());
    };
    QObject::connect(formAction, &TFormAction::templateMenuChanged, formAction, fillTemplates);
    fillTemplates();

    TMainForm::setPageContent(form.rightPage(TFormAction::kFormPage), new TFormPanel(*formAction));
    TMainForm::setPageContent(form.consolePage(TFormAction::kDefineSheet), new TStringGridForm(formAction->grid()));
    QPointer<TFormAction> guard(formAction);
    TMainForm::setPageContent(form.consolePage(TFormAction::kTemplateSheet),
                              new TStringGridTemplate(formAction->templateGrid(), [guard](const QString& text) {
                                  if (guard)
                                      guard->RunText(text);
                              }));
    return action;
}
