// Journal files for the tests and benchmarks, written by systemd-journal-remote from
// Journal Export Format text. Each call appends to DIR/test.journal, making it first.
#pragma once

#include <ctime>
#include <string>
#include <vector>

struct JournalEntry {
    std::time_t stamp;
    std::string host, message, transport = "kernel";
};

// The export text of the entries, one after another, with monotonic stamps going on from
// those of earlier calls.
std::string journal_export(const std::vector<JournalEntry>& entries);

// Pipes export text into systemd-journal-remote. Returns an empty text, or what went wrong.
std::string write_journal(const std::string& directory, const std::string& export_text);
