#include "commands/addressaction.h"

#include "browser/tabaction.h"
#include "core/appcontext.h"
#include "core/commandlist.h"
#include "core/tabaccess.h"

#include <QAction>
#include <QRegularExpression>
#include <QUrl>

namespace {

bool IsHostLabel(const QString& label)
{
    if (label.isEmpty() || label.startsWith(QLatin1Char('-')) || label.endsWith(QLatin1Char('-')))
        return false;
    for (const QChar c : label) {
        if (!c.isLetterOrNumber() && c != QLatin1Char('-'))
            return false;
    }
    return true;
}

bool IsHost(const QString& host)
{
    if (host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0)
        return true;
    if (host.startsWith(QLatin1Char('[')) && host.endsWith(QLatin1Char(']')))
        return QUrl(QStringLiteral("http://") + host + QLatin1Char('/')).isValid();
    const QStringList labels = host.split(QLatin1Char('.'));
    if (labels.size() < 2)
        return false;
    for (const QString& label : labels) {
        if (!IsHostLabel(label))
            return false;
    }
    // Either four numbers (an IPv4 address) or a name whose last label is not a number.
    bool lastIsNumber = false;
    labels.last().toUInt(&lastIsNumber);
    if (!lastIsNumber)
        return true;
    if (labels.size() != 4)
        return false;
    for (const QString& label : labels) {
        bool number = false;
        if (label.toUInt(&number) > 255 || !number)
            return false;
    }
    return true;
}

bool FavoriteTitle(const QString& text)
{
    if (!App().hasService<TFavoriteTitleMap>())
        return false;
    for (const auto& entry : App().service<TFavoriteTitleMap>().entries) {
        if (entry.first.compare(text, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

} // namespace

QString AddressOfTypedText(const QString& text)
{
    const QString typed = text.trimmed();
    if (typed.isEmpty())
        return QString();
    // "name:" is a scheme unless a port number follows it ("localhost:8080").
    static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]*:(?!\\d)"));
    if (scheme.match(typed).hasMatch())
        return typed;
    if (typed.startsWith(QLatin1Char('/')))
        return QUrl::fromLocalFile(typed).toString();
    for (const QChar c : typed) {
        if (c.isSpace())
            return QString();
    }
    const qsizetype end = typed.indexOf(QRegularExpression(QStringLiteral("[/?#]")));
    const QString authority = end < 0 ? typed : typed.left(end);
    QString host = authority;
    const qsizetype colon = authority.lastIndexOf(QLatin1Char(':'));
    if (colon > 0 && !authority.endsWith(QLatin1Char(']'))) {
        bool number = false;
        const uint port = authority.mid(colon + 1).toUInt(&number);
        if (!number || port > 65535)
            return QString();
        host = authority.left(colon);
    }
    if (!IsHost(host))
        return QString();
    return QStringLiteral("http://") + typed;
}

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
    const QString typed = text.trimmed();
    if (typed.isEmpty() || !App().currentProject() || !App().tabs)
        return;
    if (FavoriteTitle(typed)) {
        App().tabs->NavigateCurrentTab(typed);
        return;
    }
    const QString address = AddressOfTypedText(typed);
    if (address.isEmpty()) {
        Q_EMIT statusTextRequested(QStringLiteral("「%1」はアドレスではありません").arg(typed));
        return;
    }
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
