#pragma once

#include "core/eventbus.h"

#include <memory>

class QWidget;

// The project controller, showing the real project settings dialog over dialogParent.
std::unique_ptr<TActionCalverdine> CreateMainAction(QWidget* dialogParent);
