// The card's state in the three forms the command line gives: plain text led by a
// summary line in the monitoring-plugin style (with its performance data), one JSON
// document, and the Prometheus text exposition format.
#pragma once

#include "status/card_status.h"

#include <ctime>
#include <string>

std::string status_text(const CardStatus& card);
std::string status_json(const CardStatus& card, std::time_t now);
std::string status_metrics(const CardStatus& card, std::time_t now);
