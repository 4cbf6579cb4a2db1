// The card's state in the three forms the command line gives: plain text led by a
// summary line in the monitoring-plugin style, one JSON document, and the Prometheus
// text exposition format.
#pragma once

#include "status/card_status.h"

#include <ctime>
#include <optional>
#include <string>

std::string status_text(const CardStatus& card);
// source: "device" when this program read the card, "service" when the system service did.
std::string status_json(const CardStatus& card, std::time_t now, const char* source);
std::string status_metrics(const CardStatus& card, std::time_t now);

// The report model back from a status_json document (the system service's Status) and the
// time of the scan it tells of; nothing when the text is not such a document.
std::optional<CardStatus> card_status_from_json(const std::string& text, std::time_t* scanned);
