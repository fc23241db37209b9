#pragma once

#include <memory>

class QTreeWidget;
class TActionCalverdine;
class TMainForm;

// The history controller wired to the main window: the tree of the "履歴" page and the
// drop-down menus of the back and forward buttons.
std::unique_ptr<TActionCalverdine> CreateHistoryAction(TMainForm& form);

// The history tree of a main window (after CreateHistoryAction), or nullptr.
QTreeWidget* HistoryTree(TMainForm& form);
