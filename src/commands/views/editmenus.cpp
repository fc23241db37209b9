#include "commands/views/editmenus.h"

#include "commands/editaction.h"
#include "core/views/mainform.h"

#include <QMenu>
#include <QPointer>

std::unique_ptr<TActionCalverdine> CreateEditAction(TMainForm& form)
{
    auto action = std::make_unique<TEditAction>();
    TEditAction* edit = action.get();
    QPointer<QMenu> copyMenu = form.dropDownMenu(QStringLiteral("ActionEditCopy"));
    QPointer<QMenu> pasteMenu = form.dropDownMenu(QStringLiteral("ActionEditPaste"));
    QObject::connect(edit, &TEditAction::menuChanged, edit, [edit, copyMenu, pasteMenu](int kind) {
        QMenu* menu = kind == TEditAction::CopyKind ? copyMenu.data() : pasteMenu.data();
        if (!menu)
            return;
        menu->clear();
        menu->addActions(edit->MenuActions(TEditAction::Kind(kind)));
    });
    return action;
}
