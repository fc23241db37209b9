#pragma once

#include "core/eventbus.h"

#include <memory>

class TMainForm;

// The project controller, showing the real project settings dialog over the main window,
// and the window's list of known projects to reopen.
std::unique_ptr<TActionCalverdine> CreateMainAction(TMainForm& form);
