#pragma once

#include "core/eventbus.h"

#include <memory>

class TMainForm;

// The edit controller with its history entries shown in the drop-down menus of the copy
// and paste tool buttons.
std::unique_ptr<TActionCalverdine> CreateEditAction(TMainForm& form);
