#pragma once

#include <QHash>
#include <QString>

class QAction;
class QMenu;
class QMenuBar;
class QToolBar;
class TCommandList;

// One row of the menu and tool bar tables.
struct TMenuRow {
    enum Kind {
        Menu,      // a menu of the menu bar: caption, objectName
        Submenu,   // a submenu: caption, objectName
        End,       // closes the innermost menu or submenu
        Command,   // a command by name
        Check,     // a command with a check mark
        Radio,     // a command in the radio group of its submenu
        Entry,     // an entry of a command with a value (caption, value); radio within the command
        Separator,
    };
    Kind kind;
    const char* name = nullptr;    // command name (Command, Check, Radio, Entry)
    const char* caption = nullptr; // Menu, Submenu, Entry
    const char* objectName = nullptr;
    int value = 0;
};

// The menu bar, from top-level menu to entry, in display order.
const TMenuRow* MenuTable(int* count);

// Builds the menu bar from the table. Submenus are returned by object name. Entries of a
// command are QActions inside the command (object name "<command>#<value>"): choosing one
// sets the command's data to the value and triggers the command; the entry whose value
// equals the command's data carries the check mark.
QHash<QString, QMenu*> BuildMenuBar(QMenuBar* bar, TCommandList& commands);

// The entries of a command with values (text size, capture area).
QList<QAction*> CommandEntries(QAction* command);

// One button of the tool bar.
struct TToolButtonRow {
    const char* command = nullptr; // null for a separator
    const char* button = nullptr;  // object name of the tool button
    const char* dropDown = nullptr; // object name of its drop-down menu, null when none
    bool hidden = false;
    const char* themeIcon = nullptr;
    int standardIcon = -1; // QStyle::StandardPixmap when the theme has no such icon
};

const TToolButtonRow* ToolBarTable(int* count);

// Fills the tool bar; returns the drop-down menus by command name.
QHash<QString, QMenu*> BuildToolBar(QToolBar* bar, TCommandList& commands);
