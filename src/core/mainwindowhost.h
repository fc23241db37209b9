#pragma once

#include <QString>

enum class TPanel;

// What logic asks of the main window (App().mainWindow; none in tests that have no window).
class TMainWindowHost {
public:
    virtual ~TMainWindowHost() = default;

    // Writes the window and panel layout to Calverdine.ini (the exit sequence).
    virtual void saveLayout() = 0;
    // Ends the application after the exit sequence.
    virtual void quitApplication() = 0;
    // Files may (or may not) be dropped onto the main window.
    virtual void setFileDropEnabled(bool enabled) = 0;
    // The main window's caption after "Calverdine".
    virtual void setMainCaption(const QString& caption) = 0;
    // Brings a console page (0 operation log ... 6 comparison) or a side panel page to the front.
    virtual void showConsolePage(int index) = 0;
    virtual void showRightPage(int index) = 0;
    virtual void showLeftPage(int /*index*/) {}
    // Gives the keyboard focus to the front page of a panel (after a page switching shortcut).
    virtual void focusPanel(TPanel /*panel*/) {}
};
