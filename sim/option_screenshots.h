// Pictures of the "Option" page and of a "Password Confirm" dialog for the documentation.
#pragma once

#include <string>

// Builds a window whose notebook holds the Option page (from the current settings record
// and power table), selects the page and saves option-page.png, then opens a Password
// Confirm dialog and saves password-dialog.png, both into dir. Needs a display; the
// settings record is left as it was.
void save_option_screenshots(const std::string& dir);
