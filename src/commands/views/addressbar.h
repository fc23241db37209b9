#pragma once

#include <memory>

class TActionCalverdine;
class TMainForm;

// The address bar's controller wired to the main window's address box and go button.
std::unique_ptr<TActionCalverdine> CreateAddressAction(TMainForm& form);
