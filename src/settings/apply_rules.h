// What "Apply" changes, apart from the page it reads: the typed values taken into the
// settings record, and which drive power commands are due.
#pragma once

#include <cstdint>

// Typed texts into option3; a null text is a control the page does not have. The log
// file is taken only while the event log is on; an emptied password turns protection off.
void take_typed_settings(const char* logfile, const char* password);

// A power command is due when the button disagrees with the recorded state.
bool power_change_pending(bool button_down, std::int32_t powered_on);
