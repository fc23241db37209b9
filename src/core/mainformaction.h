#pragma once

#include "core/eventbus.h"

#include <QKeySequence>

// The main window's own controller, registered last. It raises FormActivated the first
// time the window becomes active (and only when the home directory is known).
class TMainFormAction final : public TActionCalverdine {
    Q_OBJECT
public:
    explicit TMainFormAction(QObject* parent = nullptr);

    // The main window became active.
    void FormActivate();
    bool activated() const { return m_activated; }

private:
    bool m_activated = false;
};

// Ctrl plus the key of a virtual key code as the shortcut key file stores it (letters,
// digits and F1..F24); an unknown code gives Ctrl+O.
QKeySequence FileOpenShortcut(int virtualKey);
