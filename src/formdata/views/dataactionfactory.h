#pragma once

#include "core/eventbus.h"

#include <memory>

class TMainForm;

// The data controller with its panel in the right panel's page "データ", the input drop-down
// menu, F2 for renaming while that page is in front, and the dialog for other screens' data.
std::unique_ptr<TActionCalverdine> CreateDataAction(TMainForm& form);
