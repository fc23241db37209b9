#include "project/views/mainactionfactory.h"

#include "core/appcontext.h"
#include "core/prompter.h"
#include "core/views/mainform.h"
#include "project/mainaction.h"
#include "project/mainmenucommand.h"
#include "project/views/formproject.h"

#include <QMenu>
#include <QPointer>
#include <QWidget>

namespace {

class TFormProjectEditor final : public TProjectSettingsEditor {
public:
    explicit TFormProjectEditor(QWidget* parent) : m_parent(parent) {}

    bool edit(TXMLProjectType& project) override
    {
        TPrompter* prompter = App().prompter();
        if (!prompter)
            return false;
        TFormProject dialog(project, *prompter, m_parent.data());
        return dialog.exec() == QDialog::Accepted;
    }

private:
    QPointer<QWidget> m_parent;
};

} // namespace

std::unique_ptr<TActionCalverdine> CreateMainAction(TMainForm& form)
{
    // The "reopen" submenu lists the known projects and follows their changes.
    TMainMenuCommand& known = App().service<TMainMenuCommand>();
    QPointer<TMainForm> window(&form);
    auto fillKnownProjects = [window, &known] {
        if (!window)
            return;
        if (QMenu* reopen = window->subMenu(QStringLiteral("MenuMainReopen"))) {
            reopen->clear();
            reopen->addActions(known.items());
            reopen->setEnabled(!known.items().isEmpty());
        }
    };
    QObject::connect(&known, &TMainMenuCommand::itemsChanged, &form, fillKnownProjects);
    fillKnownProjects();
    return std::make_unique<TMainAction>(std::make_unique<TFormProjectEditor>(&form));
}
