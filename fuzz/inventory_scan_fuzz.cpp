// The inventory scan over arbitrary driver answers: every record the simulated driver
// returns is overwritten with fuzz bytes. No crash, no read or write past any table.
#include "driver/driver_records.h"
#include "inventory/inventory_scan.h"
#include "inventory/inventory_tables.h"
#include "simulated_driver.h"

#include <cstdlib>
#include <cstring>

namespace {

struct FuzzBytes {
    const unsigned char* data = nullptr;
    std::size_t size = 0;
    std::size_t offset = 0;

    void fill(std::uint8_t* record, std::size_t length)
    {
        for (std::size_t i = 0; i < length; ++i)
            record[i] = size ? data[(offset + i) % size] : 0;
        offset += length;
    }
};

FuzzBytes bytes;

std::size_t answer_size(unsigned long code)
{
    switch (code) {
    case kRequestArrayStatus:
    case kRequestControllers:
        return kArrayStatusSize;
    case kRequestIdentify:
        return 512;
    case kRequestSwapBoxes:
        return kSwapEntries * kSwapEntrySize;
    case kRequestVersion:
        return kVersionSize;
    default:
        return 0;
    }
}

template <std::size_t Rows, std::size_t Lines>
bool every_line_terminated(const char (&table)[Rows][Lines][kLineSize])
{
    for (const auto& row : table)
        for (const auto& line : row)
            if (!std::memchr(line, 0, kLineSize))
                return false;
    return true;
}

bool lines_terminated()
{
    for (const auto& name : channeldisknames)
        if (name[0] != '&' && !std::memchr(name, 0, sizeof name))
            return false;
    return every_line_terminated(channeldiskinfo) && every_line_terminated(arraydiskinfo) &&
           every_line_terminated(arrayinfo) && every_line_terminated(controllerinfo) &&
           every_line_terminated(channelinfo);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size)
{
    static SimulatedCard card;
    static bool installed = false;
    if (!installed) {
        install_simulated_driver(card);
        card.tamper = [](unsigned long code, std::uint8_t* record) { bytes.fill(record, answer_size(code)); };
        installed = true;
    }
    bytes = FuzzBytes{data, size, 0};
    card.clear_log();
    gtkReadFile();
    gtkReadFile();
    if (!lines_terminated() || !card.all_closed())
        std::abort();
    return 0;
}
