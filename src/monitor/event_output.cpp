#include "monitor/event_output.h"

#include "base/program.h"

#include <systemd/sd-journal.h>

#include <cinttypes>
#include <cstdio>
#include <sys/stat.h>
#include <sys/uio.h>
#include <syslog.h>
#include <unistd.h>

namespace {

bool is_failure(const std::string& name)
{
    for (const char* failure : {"ArrayDegraded", "ArrayOffline", "DriveFailed", "DriveMissing", "ControllerMissing"})
        if (name == failure)
            return true;
    return false;
}

bool is_recovery(const std::string& name)
{
    for (const char* recovery : {"ArrayFunctional", "RebuildFinished", "DriveFound", "ControllerFound"})
        if (name == recovery)
            return true;
    return false;
}

int priority_of(const std::string& name)
{
    if (is_failure(name))
        return LOG_WARNING;
    return is_recovery(name) ? LOG_NOTICE : LOG_INFO;
}

bool send_to_journal(const CardEvent& event)
{
    const std::vector<std::string> fields = journal_fields(event);
    std::vector<iovec> parts;
    for (const std::string& field : fields)
        parts.push_back({const_cast<char*>(field.data()), field.size()});
    return sd_journal_sendv(parts.data(), static_cast<int>(parts.size())) >= 0;
}

} // namespace

std::string event_line(const CardEvent& event)
{
    std::string line = "quorvex-monitor: " + event.name;
    if (event.array != "-")
        line += " array " + event.array;
    return line + ": " + event.detail;
}

bool stderr_is_journal(const char* journal_stream)
{
    std::uintmax_t device = 0, inode = 0;
    struct stat st;
    return journal_stream && std::sscanf(journal_stream, "%" SCNuMAX ":%" SCNuMAX, &device, &inode) == 2 &&
           fstat(STDERR_FILENO, &st) == 0 && st.st_dev == device && st.st_ino == inode;
}

std::vector<std::string> journal_fields(const CardEvent& event)
{
    return {"MESSAGE=" + event_line(event),
            "PRIORITY=" + std::to_string(priority_of(event.name)),
            std::string("SYSLOG_IDENTIFIER=") + kProgramName,
            "QUORVEX_EVENT=" + event.name,
            "QUORVEX_ARRAY=" + event.array,
            "QUORVEX_DETAIL=" + event.detail};
}

void write_event(const CardEvent& event, bool to_journal)
{
    if (to_journal && send_to_journal(event))
        return;
    std::fprintf(stderr, "%s\n", event_line(event).c_str());
}
