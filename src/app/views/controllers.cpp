#include "app/views/controllers.h"

#include "app/views/finddialog.h"
#include "app/views/pageprinter.h"

#include "browser/engine/engineversion.h"
#include "browser/views/tabwidgets.h"
#include "capture/captureaction.h"
#include "capture/fileaction.h"
#include "capture/findaction.h"
#include "commands/serveraction.h"
#include "commands/views/addressbar.h"
#include "commands/views/editmenus.h"
#include "core/appcontext.h"
#include "core/commandlist.h"
#include "core/helpaction.h"
#include "core/layoutsettings.h"
#include "core/mainformaction.h"
#include "core/mainwindowhost.h"
#include "core/pagecontrolaction.h"
#include "core/placeholderactions.h"
#include "core/viewaction.h"
#include "core/views/helpwindow.h"
#include "core/views/mainform.h"
#include "formdata/views/dataactionfactory.h"
#include "formdata/dataaction.h"
#include "formdata/fieldaliases.h"
#include "formdefine/formdefinemanager.h"
#include "formdefine/views/formactionfactory.h"
#include "history/views/favoriteview.h"
#include "history/views/historyview.h"
#include "jstools/views/jspanel.h"
#include "operation/views/testactionview.h"
#include "project/views/mainactionfactory.h"

#include <QAction>
#include <QItemSelectionModel>
#include <QStandardItemModel>
#include <QComboBox>
#include <QLineEdit>
#include <QPointer>

#include <memory>

namespace {

void connectViewAction(TViewAction& view, TMainForm& form)
{
    QObject::connect(&view, &TViewAction::statusTextChanged, &form, &TMainForm::setStatusText);
    QComboBox* box = form.addressBox();
    QObject::connect(&view, &TViewAction::addressListChanged, box,
                     [box](const QStringList& addresses, const QString& current) {
                         box->clear();
                         box->addItems(addresses);
                         box->setEditText(current);
                     });
}

// The find box, its button and the find dialog of the main window on the find controller.
void connectFindAction(TFindAction& find, TMainForm& form)
{
    QComboBox* box = form.findBox();
    if (box) {
        QObject::connect(box, &QComboBox::editTextChanged, &find, &TFindAction::SetFindBoxText);
        if (QLineEdit* edit = box->lineEdit())
            QObject::connect(edit, &QLineEdit::returnPressed, &find, &TFindAction::FindButton);
        QObject::connect(&find, &TFindAction::findBoxChanged, box, [box](const QString& text, const QStringList& history) {
            const QSignalBlocker blocker(box);
            box->clear();
            box->addItems(history);
            box->setEditText(text);
        });
        QObject::connect(&find, &TFindAction::focusFindBox, box, [box] { box->setFocus(Qt::OtherFocusReason); });
    }
    QObject::connect(&find, &TFindAction::statusText, &form, &TMainForm::setStatusText);
    QPointer<TFindDialog> dialog;
    QObject::connect(&find, &TFindAction::showFindDialog, &form, [&find, &form, dialog]() mutable {
        if (!dialog) {
            dialog = new TFindDialog(&form);
            QObject::connect(dialog, &TFindDialog::findNext, &find, &TFindAction::FindNext);
        }
        dialog->show();
        dialog->raise();
        dialog->activateWindow();
    });
}

} // namespace

namespace {

void createControllers(TMainForm& form, TEngineProfile* profile)
{
    TEventBus& bus = App().bus();
    TLayoutSettings& layout = App().service<TLayoutSettings>();
    App().service<TFieldAliasSource>().aliases = &App().service<TFormDefineManager>();

    // Created first: other controllers reach them while they are being created.
    std::unique_ptr<TActionCalverdine> tabAction = CreateTabAction(form, profile);
    std::unique_ptr<TActionCalverdine> dataAction = CreateDataAction(form);

    bus.AddListener(CreateMainAction(form));

    auto view = std::make_unique<TViewAction>(layout);
    connectViewAction(*view, form);
    bus.AddListener(std::move(view));

    bus.AddListener(std::move(tabAction));
    bus.AddListener(CreateFavoriteAction(form));
    bus.AddListener(CreateHistoryAction(form));
    bus.AddListener(CreateAddressAction(form));
    auto find = std::make_unique<TFindAction>();
    connectFindAction(*find, form);
    bus.AddListener(std::move(find));
    bus.AddListener(CreateFormAction(form));
    bus.AddListener(std::move(dataAction));
    bus.AddListener(std::make_unique<TFileAction>(std::make_unique<TDialogPagePrinter>(&form)));
    bus.AddListener(CreateEditAction(form));
    bus.AddListener(CreateJSAction(form));
    bus.AddListener(std::make_unique<TCaptureAction>());
    bus.AddListener(CreateTestAction(form));
    bus.AddListener(std::make_unique<THelpAction>(EngineVersionText(), [&form](const QString& html) {
        auto* window = form.findChild<THelpWindow*>();
        if (!window)
            window = new THelpWindow(&form);
        window->showPage(html);
    }));
    bus.AddListener(std::make_unique<TPageControlAction>(layout));
    bus.AddListener(std::make_unique<TServerAction>());

    auto mainForm = std::make_unique<TMainFormAction>();
    form.setMainFormAction(mainForm.get());
    bus.AddListener(std::move(mainForm));

    // Commands that no controller connects would do nothing when chosen.
    TCommandList& commands = App().commands();
    for (const QString& name : commands.names()) {
        if (commands.owner(name).isEmpty())
            commands.action(name)->setEnabled(false);
    }
}

} // namespace

void CreateControllers(TMainForm& form)
{
    createControllers(form, nullptr);
}

void CreateControllersSharingProfile(TMainForm& form, TEngineProfile& profile)
{
    createControllers(form, &profile);
}

void CompareWithFirstDataSet(const std::function<void()>& then)
{
    TDataAction* data = TDataAction::instance();
    QStandardItem* root = data ? data->model()->item(0) : nullptr;
    QAction* compare = App().commands().action(QStringLiteral("ActionDataCompare"));
    if (!root || root->rowCount() == 0 || !compare) {
        then();
        return;
    }
    if (TMainWindowHost* host = App().mainWindow)
        host->showRightPage(TDataAction::kDataPage);
    data->selectionModel()->setCurrentIndex(root->child(0)->index(), QItemSelectionModel::ClearAndSelect);
    if (!compare->isEnabled()) {
        then();
        return;
    }
    auto connection = std::make_shared<QMetaObject::Connection>();
    *connection = QObject::connect(data, &TDataAction::compareFinished, data, [connection, then](bool) {
        QObject::disconnect(*connection);
        then();
    });
    compare->trigger();
}
