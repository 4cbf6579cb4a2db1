// Any bytes, any length, as "quorvex.conf": the load takes them without a crash, its
// fix-ups hold, and the texts stay inside their fields when used and written back.
#include "base/bounded_text.h"
#include "settings/settings_file.h"
#include "settings/settings_record.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size)
{
    static char dir[] = "/tmp/quorvex-fuzz-XXXXXX";
    static const bool moved = (mkdtemp(dir) && chdir(dir) == 0) || (std::abort(), false);
    if (std::FILE* f = std::fopen(kSettingsFileName, "wb"))
        std::fwrite(data, 1, size, f), std::fclose(f);
    std::memset(&option3, 0, sizeof option3), init_enviorment();
    const bool fixed_up = option3.transient == 0 && (option3.password[0] != '\0' || option3.usepassword == 0);
    char line[128] = {};
    append_text(line, sizeof line, field_text(option3.logfile).c_str()), replace_text(option3.password, option3.logfile[0] ? "x" : "");
    if (!moved || !fixed_up || write_settings_file() != 0)
        std::abort();
    return 0;
}
