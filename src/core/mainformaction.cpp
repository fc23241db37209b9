#include "core/mainformaction.h"

#include "core/appcontext.h"

TMainFormAction::TMainFormAction(QObject* parent) : TActionCalverdine(parent)
{
    setObjectName(QStringLiteral("TMainFormAction"));
}

void TMainFormAction::FormActivate()
{
    if (m_activated)
        return;
    m_activated = true;
    if (!App().homeDirectory.isEmpty())
        App().bus().NotifyFormActivated(0);
}

QKeySequence FileOpenShortcut(int virtualKey)
{
    int key = Qt::Key_O;
    if ((virtualKey >= '0' && virtualKey <= '9') || (virtualKey >= 'A' && virtualKey <= 'Z'))
        key = virtualKey; // the codes of digits and capital letters are their characters
    else if (virtualKey >= 0x70 && virtualKey <= 0x87)
        key = Qt::Key_F1 + (virtualKey - 0x70);
    return QKeySequence(QKeyCombination(Qt::ControlModifier, Qt::Key(key)));
}
