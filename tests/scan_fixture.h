// A simulated card behind the device port and a private system log for scan tests,
// and helpers to read what the scan wrote and what the card was asked.
#pragma once

#include "inventory/inventory_tables.h"
#include "monitor/log_watch.h"
#include "simulated_driver.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>

class ScanFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        // The scan ends with the log watch: it must read an empty log of our own.
        write_file(dir.file("messages"), "");
        set_system_log_path(dir.file("messages").c_str());
        install_simulated_driver(card);
    }

    ScopedWorkDir dir;
    SimulatedCard card;
};

// A table of cases on the card (one class derived per table): each tells what it saw.
struct CardCase { const char* name; std::function<std::string(SimulatedCard&)> run; std::string expected; };
class CardCases : public ScanFixture, public ::testing::WithParamInterface<CardCase> {};

// Expected text: "{n}" stands for a run of n spaces.
inline std::string spaced(std::string s)
{
    for (std::size_t at; (at = s.find('{')) != std::string::npos;)
        s.replace(at, s.find('}', at) - at + 1, std::stoul(s.substr(at + 1)), ' ');
    return s;
}

// Lines first..last of a table row, joined by '|'.
inline std::string row_text(const char (*row)[kLineSize], int first, int last)
{
    return first == last ? std::string(row[first]) : row_text(row, first, last - 1) + "|" + row[last];
}

// The card's log: "[...]" per open..close, a request as its code and, where they select
// something, the bytes the program wrote ("[3802:'5']"); "!" marks a call on another
// descriptor than the one just opened, "+open" one left open, "+bad" a bad close.
inline std::string transcript(const SimulatedCard& card)
{
    std::string s;
    for (std::size_t k = 0; k < card.events.size(); ++k) {
        const SimEvent& e = card.events[k];
        const std::string chars(reinterpret_cast<const char*>(e.written.data()), e.code == 0x3805 ? 2 : 1);
        char code[8];
        std::snprintf(code, sizeof code, "%lx", e.code);
        s += k && e.call != SimCall::Open && e.fd != card.events[k - 1].fd ? "!" : "";
        s += e.call != SimCall::Request ? std::string(e.call == SimCall::Open ? "[" : "]")
                                        : (s.empty() || s.back() == '[' ? "" : " ") + std::string(code) +
                                              (e.code == 0x3801 || e.code == 0x3804 ? ":" + std::to_string(e.written[0]) : e.code == 0x3802 || e.code == 0x3805 ? ":'" + chars + "'" : "");
    }
    return s + (card.all_closed() ? "" : "+open") + (card.bad_closes() ? "+bad" : "");
}
