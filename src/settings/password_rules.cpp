#include "settings/password_rules.h"

#include "base/bounded_text.h"

std::string stored_password() { return field_text(option3.password); }

bool typed_password_wrong(const std::string& typed)
{
    const std::string stored = stored_password();
    return !stored.empty() && typed != stored;
}
