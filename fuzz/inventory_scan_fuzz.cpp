// The inventory scan and the command line's report over arbitrary driver answers: every
// record the simulated driver returns (identify blocks with their models, the version
// text, ...) is overwritten with fuzz bytes. No crash, no read or write past any table; the
// report's JSON, metrics and status text are valid UTF-8 and the JSON parses.
#include "driver/driver_records.h"
#include "inventory/inventory_scan.h"
#include "inventory/inventory_tables.h"
#include "simulated_driver.h"
#include "status/status_report.h"

#include <glib.h>
#include <nlohmann/json.hpp>

#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size)
{
    static SimulatedCard card;
    static std::string bytes;
    static std::size_t used;
    bytes.assign(reinterpret_cast<const char*>(data), size), used = 0;
    card.tamper = [](unsigned long code, std::uint8_t* record) {
        const std::size_t n = code == kRequestIdentify ? 512 : code == kRequestSwapBoxes ? kSwapEntries * kSwapEntrySize : code == kRequestVersion ? kVersionSize : kArrayStatusSize;
        for (std::size_t i = 0; i < n; ++i, ++used)
            record[i] = bytes.empty() ? 0 : static_cast<std::uint8_t>(bytes[used % bytes.size()]);
    };
    install_simulated_driver(card), card.clear_log(), gtkReadFile(), gtkReadFile();
    // Every line of every table still ends inside its bounds, and every open is closed.
    for (auto [table, length] : {std::pair<const char*, std::size_t>{channeldiskinfo[0][0], sizeof channeldiskinfo}, {arraydiskinfo[0][0], sizeof arraydiskinfo},
                                 {arrayinfo[0][0], sizeof arrayinfo}, {controllerinfo[0][0], sizeof controllerinfo}, {channelinfo[0][0], sizeof channelinfo}})
        for (std::size_t at = 0; at < length; at += kLineSize)
            if (!std::memchr(table + at, 0, kLineSize))
                std::abort();
    const CardStatus status = collect_card_status();
    for (const std::string& text : {status_json(status, 0), status_metrics(status, 0), status_text(status)})
        if (!g_utf8_validate(text.data(), static_cast<gssize>(text.size()), nullptr) || (text[0] == '{' && !nlohmann::json::accept(text)))
            std::abort();
    return card.all_closed() ? 0 : (std::abort(), 0);
}
