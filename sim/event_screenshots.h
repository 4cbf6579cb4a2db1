// Pictures of the monitor's event display for the documentation: the demo scenario is
// run forward tick by tick until a popup and a rebuild bar show, and each is saved.
#pragma once

#include <string>

// Saves popup.png (the first event popup) and rebuild.png (the main window with a
// rebuild bar) into dir. Needs an initialised toolkit and no running monitor timer; it
// installs its own demo card and builds a main window when there is none. The settings,
// the clock and the system log path are restored afterwards.
void save_event_screenshots(const std::string& dir);
