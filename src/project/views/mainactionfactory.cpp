#include "project/views/mainactionfactory.h"

#include "core/appcontext.h"
#include "core/prompter.h"
#include "project/mainaction.h"
#include "project/views/formproject.h"

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

std::unique_ptr<TActionCalverdine> CreateMainAction(QWidget* dialogParent)
{
    return std::make_unique<TMainAction>(std::make_unique<TFormProjectEditor>(dialogParent));
}
