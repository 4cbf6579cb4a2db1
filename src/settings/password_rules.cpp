#include "settings/password_rules.h"

#include "base/bounded_text.h"

// A loaded password without a terminator counts as the 55 bytes its field holds, so that
// it can still be typed.
std::string stored_password() { return field_text(option3.password); }

// A password an older version stored cut at its field still matches the whole text
// typed then.
bool typed_password_wrong(const std::string& typed)
{
    const std::string stored = stored_password();
    if (stored.empty() || typed == stored)
        return false;
    return !(stored.size() == static_cast<std::size_t>(kPasswordMaxLength) && typed.size() > stored.size() &&
             typed.compare(0, stored.size(), stored) == 0);
}
