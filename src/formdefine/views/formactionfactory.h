#pragma once

#include "core/eventbus.h"

#include <memory>

class TMainForm;

// The form controller with its save drop-down menu.
std::unique_ptr<TActionCalverdine> CreateFormAction(TMainForm& form);
