#include "core/placeholderactions.h"

#include "core/appcontext.h"
#include "core/commandlist.h"

#include <QAction>

namespace {

struct Ownership {
    const char* owner;
    const char* prefix; // every command whose name starts with it
    const char* const* names; // or these names (null-terminated), when prefix is null
};

const char* const kFindCommands[] = { "ActionFind", "ActionFindDialogIE", "ActionFindButton", nullptr };
const char* const kServerCommands[] = { "ActionServerProxyDisconnect", "ActionServerProxyConnect",
                                        "ActionServerProxyConnectIE", nullptr };
const char* const kAddressCommands[] = { "ActionAddressSelectText", nullptr };
const char* const kNoCommands[] = { nullptr };

const Ownership kOwnership[] = {
    { "TMainAction", "ActionMain", nullptr },
    { "TTabAction", "ActionTab", nullptr },
    { "TFavoriteAction", "ActionFavorite", nullptr },
    { "THistoryAction", nullptr, kNoCommands },
    { "TAddressAction", nullptr, kAddressCommands },
    { "TFindAction", nullptr, kFindCommands },
    { "TFormAction", "ActionForm", nullptr },
    { "TDataAction", "ActionData", nullptr },
    { "TFileAction", "ActionFile", nullptr },
    { "TEditAction", "ActionEdit", nullptr },
    { "TJSAction", "ActionJS", nullptr },
    { "TCaptureAction", "ActionCapture", nullptr },
    { "TTestAction", "ActionTest", nullptr },
    { "ServerAction", nullptr, kServerCommands },
    { "TViewAction", "ActionView", nullptr },
    { "THelpAction", "ActionHelp", nullptr },
    { "TPageControlAction", "ActionPageControl", nullptr },
};

} // namespace

QStringList CommandsOwnedBy(const QString& owner)
{
    QStringList result;
    for (const Ownership& o : kOwnership) {
        if (owner != QLatin1String(o.owner))
            continue;
        if (o.prefix) {
            const QLatin1String prefix(o.prefix);
            for (const QString& name : App().commands().names()) {
                if (name.startsWith(prefix))
                    result << name;
            }
        } else {
            for (const char* const* n = o.names; *n; ++n)
                result << QString::fromLatin1(*n);
        }
    }
    return result;
}

TPlaceholderAction::TPlaceholderAction(const QString& owner, const QStringList& commands, QObject* parent)
    : TActionCalverdine(parent), m_owner(owner)
{
    setObjectName(owner);
    for (const QString& name : commands) {
        if (QAction* a = App().commands().claim(name, owner)) {
            a->setEnabled(false);
            SetCommandHint(a, QString()); // a disabled command's tool button tells nothing
        }
    }
}

std::unique_ptr<TActionCalverdine> CreatePlaceholderAction(const QString& owner)
{
    auto action = std::make_unique<TPlaceholderAction>(owner, CommandsOwnedBy(owner));
    // The capture area starts as "the visible part only".
    if (owner == QLatin1String("TCaptureAction")) {
        if (QAction* area = App().commands().action(QStringLiteral("ActionCaptureSelectType")))
            area->setData(1);
    }
    return action;
}
