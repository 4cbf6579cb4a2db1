#include "settings/apply_rules.h"

#include "base/bounded_text.h"
#include "settings/settings_record.h"

void take_typed_settings(const char* logfile, const char* password)
{
    if (option3.uselogfile == 1 && logfile)
        replace_text(option3.logfile, logfile);
    // The page has no schedule controls, so an enabled schedule keeps the times it was
    // loaded with.
    if (password) {
        replace_text(option3.password, password);
        if (option3.password[0] == '\0')
            option3.usepassword = 0;
    }
}

bool power_change_pending(bool button_down, std::int32_t powered_on)
{
    return (button_down && powered_on == 0) || (!button_down && powered_on == 1);
}
