#pragma once

#include <memory>

class QTreeWidget;
class QTreeWidgetItem;
class TActionCalverdine;
class TMainForm;
struct TFavoriteNode;

// The favorites controller wired to the main window: the tree of the "お気に入り" page with
// its clicks, keys, in-place editing, drag and drop and the status bar address on hover,
// the browser favorites' add dialog and the file manager for organising them.
std::unique_ptr<TActionCalverdine> CreateFavoriteAction(TMainForm& form);

// The favorites tree of a main window (after CreateFavoriteAction), or nullptr.
QTreeWidget* FavoriteTree(TMainForm& form);
// The node an item of that tree shows, and the item showing a node.
TFavoriteNode* FavoriteNodeOf(QTreeWidgetItem* item);
QTreeWidgetItem* FavoriteItemOf(QTreeWidget* tree, const TFavoriteNode* node);
