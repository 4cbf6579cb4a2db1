#include "journal_files.h"

#include <cstdint>
#include <cstdio>
#include <sys/wait.h>

std::string journal_export(const std::vector<JournalEntry>& entries)
{
    static std::uint64_t tick = 1000; // the monotonic stamp
    std::string out;
    for (const JournalEntry& e : entries) // values without a newline
        out += "__REALTIME_TIMESTAMP=" + std::to_string(static_cast<std::uint64_t>(e.stamp) * 1000000u) +
               "\n__MONOTONIC_TIMESTAMP=" + std::to_string(tick++) + "\n_BOOT_ID=5d1f6c0b8e2a4c3f9a7b1e0d2c4f6a8b\n" +
               "_TRANSPORT=" + e.transport + "\n_HOSTNAME=" + e.host + "\nMESSAGE=" + e.message + "\n\n";
    return out;
}

std::string write_journal(const std::string& directory, const std::string& export_text)
{
    const std::string command = "/lib/systemd/systemd-journal-remote -o '" + directory + "/test.journal' - >'" +
                                directory + "/remote.out' 2>&1";
    std::FILE* pipe = popen(command.c_str(), "w");
    const bool written = pipe && std::fwrite(export_text.data(), 1, export_text.size(), pipe) == export_text.size();
    const int status = pipe ? pclose(pipe) : -1;
    return written && status != -1 && WIFEXITED(status) && WEXITSTATUS(status) == 0 ? "" : command + " failed; see " + directory + "/remote.out";
}
