#include "service/request_rules.h"

#include "driver/driver_records.h"

namespace {

// The read codes answer with their records; the two commands take one or two bytes and
// answer with none. The controller request fills only the two controller records.
constexpr RequestRule kRules[] = {
    {kRequestArrayStatus, 1, kArrayStatusSize, 0, kArrayStatusSize, kReadAction},
    {kRequestIdentify, 1, kIdentifySize, 0, kIdentifySize, kReadAction},
    {kRequestSwapBoxes, 0, kSwapEntries * kSwapEntrySize, 0, kSwapEntries * kSwapEntrySize, kReadAction},
    {kRequestMirrorSync, 1, 0, 0, 0, kManageAction},
    {kRequestPower, 2, 0, 0, 0, kManageAction},
    {kRequestVersion, 0, kVersionSize, 0, kVersionSize, kReadAction},
    {kRequestControllers, 0, kArrayStatusSize, status_block::kControllerRecords,
     2 * status_block::kControllerRecordSize, kReadAction},
};

} // namespace

const RequestRule* rule_for_code(std::uint32_t code)
{
    for (const RequestRule& rule : kRules)
        if (rule.code == code)
            return &rule;
    return nullptr;
}

const RequestRule* rule_for_request(std::uint32_t code, std::size_t input_size)
{
    const RequestRule* rule = rule_for_code(code);
    return rule && rule->input_size == input_size ? rule : nullptr;
}
