// The card's state in the three forms the command line gives: plain text led by a
// summary line in the monitoring-plugin style (with its performance data), one JSON
// document, and the Prometheus text exposition format.
#pragma once

#include "status/card_status.h"

#include <ctime>
#include <optional>
#include <string>
#include <string_view>

std::string status_text(const CardStatus& card);
// source: "device" when this program read the card, "service" when the system service did.
std::string status_json(const CardStatus& card, std::time_t now, const char* source);
// The metrics file's text. A successful read is its own last success; after a failed one,
// last_success is the time a previous file gave (the series is left out when unknown).
std::string status_metrics(const CardStatus& card, std::time_t now, std::optional<std::time_t> last_success = {});
// The last success time a metrics file this program wrote holds, if it is believable.
std::optional<std::time_t> last_success_in(std::string_view metrics, std::time_t now);

// The report model back from a status_json document (the system service's Status) and the
// time of the scan it tells of; nothing when the text is not such a document.
std::optional<CardStatus> card_status_from_json(const std::string& text, std::time_t* scanned);
