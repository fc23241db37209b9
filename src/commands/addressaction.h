#pragma once

#include "core/eventbus.h"

#include <QString>

// The address a text typed into the address bar stands for: itself when it has a scheme
// ("http://…", "about:blank", "file:///…"), "http://" before it when it looks like a host
// with an optional port and path ("localhost:8080/x", "example.test/a"), a file address for
// an absolute local path, and empty for anything else ("login page").
QString AddressOfTypedText(const QString& text);

// The address bar's controller: enables the bar while a project is open, shows the current
// tab's address after each navigation, and sends a typed address to the current tab.
class TAddressAction final : public TActionCalverdine {
    Q_OBJECT
public:
    explicit TAddressAction(QObject* parent = nullptr);

    // Navigates the current tab to the text (a favorite's title leads to its address);
    // opens a tab first when there is none. Blank texts are ignored; a text that is no
    // address is reported in the status bar and goes nowhere.
    void Go(const QString& text);

    // The address the bar shows when the user abandons an edit (Esc).
    QString CurrentAddress() const;

Q_SIGNALS:
    void addressTextChanged(const QString& text);
    void addressEnabledChanged(bool enabled);
    void selectTextRequested();
    void statusTextRequested(const QString& text);

private:
    void handleProjectOpened(int);
    void handleProjectClosed(int);
    void handleClearText(int);
    void handleShowAddress(int);
};
