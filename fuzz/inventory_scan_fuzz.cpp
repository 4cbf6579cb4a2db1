// The inventory scan over arbitrary driver answers: every record the simulated driver
// returns is overwritten with fuzz bytes. No crash, no read or write past any table.
#include "driver/driver_records.h"
#include "inventory/inventory_scan.h"
#include "inventory/inventory_tables.h"
#include "simulated_driver.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size)
{
    static SimulatedCard card;
    static std::string bytes;
    if (!card.tamper) {
        install_simulated_driver(card);
        card.tamper = [](unsigned long code, std::uint8_t* record) {
            const std::size_t n = code == kRequestIdentify ? 512 : code == kRequestSwapBoxes ? kSwapEntries * kSwapEntrySize
                                                                    : code == kRequestVersion ? kVersionSize : kArrayStatusSize;
            for (std::size_t i = 0; i < n; ++i)
                record[i] = bytes.empty() ? 0 : static_cast<std::uint8_t>(bytes[i % bytes.size()]);
            std::rotate(bytes.begin(), bytes.begin() + static_cast<long>(bytes.empty() ? 0 : n % bytes.size()), bytes.end());
        };
    }
    bytes.assign(reinterpret_cast<const char*>(data), size);
    card.clear_log();
    gtkReadFile();
    gtkReadFile();
    // Every line of every table still ends inside its bounds.
    for (auto [table, length] : {std::pair<const void*, std::size_t>{channeldiskinfo, sizeof channeldiskinfo}, {arraydiskinfo, sizeof arraydiskinfo},
                                 {arrayinfo, sizeof arrayinfo}, {controllerinfo, sizeof controllerinfo}, {channelinfo, sizeof channelinfo}})
        for (std::size_t at = 0; at < length; at += kLineSize)
            if (!std::memchr(static_cast<const char*>(table) + at, 0, kLineSize))
                std::abort();
    if (!card.all_closed())
        std::abort();
    return 0;
}
