// How an event leaves the resident monitor on standard error: a plain line
// ("quorvex-monitor: ArrayDegraded array 1: Critical"), or, when standard error is the
// journal (systemd says so in JOURNAL_STREAM), a journal entry with that line as MESSAGE,
// a PRIORITY (warning for failures, notice for recoveries, info for the rest) and the
// fields QUORVEX_EVENT, QUORVEX_ARRAY and QUORVEX_DETAIL.
#pragma once

#include "monitor/card_events.h"

#include <string>
#include <vector>

std::string event_line(const CardEvent& event);

// Whether the "DEVICE:INODE" text of JOURNAL_STREAM names our standard error.
bool stderr_is_journal(const char* journal_stream);

// The journal entry's fields, "NAME=value" each.
std::vector<std::string> journal_fields(const CardEvent& event);

// To the journal when to_journal (and it takes the entry), else the plain line.
void write_event(const CardEvent& event, bool to_journal);
