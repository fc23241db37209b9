#include "commands/addressaction.h"

#include "core/appcontext.h"
#include "core/commandlist.h"
#include "core/tabaccess.h"

#include <QAction>

TAddressAction::TAddressAction(QObject* parent) : TActionCalverdine(parent)
{
    setObjectName(QStringLiteral("TAddressAction"));
    handle(TEvent::ProjectNewed, &TAddressAction::handleProjectOpened);
    handle(TEvent::ProjectOpened, &TAddressAction::handleProjectOpened);
    handle(TEvent::ProjectClosed, &TAddressAction::handleProjectClosed);
    handle(TEvent::TabWindowAdded, &TAddressAction::handleClearText);
    handle(TEvent::TabWindowWasNothing, &TAddressAction::handleClearText);
    handle(TEvent::BrowserNavigateCompleted, &TAddressAction::handleShowAddress);
    handle(TEvent::BrowserDocumentCompleted, &TAddressAction::handleShowAddress);

    if (QAction* select = App().commands().claim(QStringLiteral("ActionAddressSelectText"), objectName()))
        connect(select, &QAction::triggered, this, [this] { Q_EMIT selectTextRequested(); });
}

void TAddressAction::Go(const QString& text)
{
    const QString address = text.trimmed();
    if (address.isEmpty() || !App().currentProject() || !App().tabs)
        return;
    App().tabs->NavigateCurrentTab(address);
}

QString TAddressAction::CurrentAddress() const
{
    TTabView* tab = App().tabs ? App().tabs->CurrentTab() : nullptr;
    return tab ? tab->GetUrl() : QString();
}

void TAddressAction::handleProjectOpened(int)
{
    Q_EMIT addressEnabledChanged(true);
}

void TAddressAction::handleProjectClosed(int)
{
    Q_EMIT addressEnabledChanged(false);
    Q_EMIT addressTextChanged(QString());
}

void TAddressAction::handleClearText(int)
{
    Q_EMIT addressTextChanged(QString());
}

void TAddressAction::handleShowAddress(int)
{
    Q_EMIT addressTextChanged(CurrentAddress());
}
