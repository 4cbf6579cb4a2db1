// Any bytes, any length, as "quorvex.conf": the load must take them without a crash, and
// every text field the program later appends to or copies from stays inside its bounds.
#include "base/bounded_text.h"
#include "settings/settings_file.h"
#include "settings/settings_record.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    static char dir[] = "/tmp/quorvex-fuzz-XXXXXX";
    if (!mkdtemp(dir) || chdir(dir) != 0)
        std::abort();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size)
{
    if (std::FILE* f = std::fopen(kSettingsFileName, "wb")) {
        std::fwrite(data, 1, size, f);
        std::fclose(f);
    }
    std::memset(&option3, 0, sizeof option3);
    init_enviorment();
    if (size < sizeof option3 && option3.transient != 0)
        std::abort();
    if (option3.password[0] == '\0' && option3.usepassword != 0)
        std::abort();
    // Texts without a terminator are read only up to their field's end.
    char line[128];
    copy_text(line, sizeof line, "");
    append_text(line, sizeof line, std::string(option3.logfile, field_length(option3.logfile)).c_str());
    if (field_length(option3.password) > sizeof option3.password)
        std::abort();
    replace_text(option3.password, option3.logfile[0] ? "x" : "");
    if (write_settings_file() != 0)
        std::abort();
    return 0;
}
