#include "inventory/change_detection.h"

#include "driver/driver_requests.h"
#include "inventory/inventory_tables.h"

#include <cstddef>

namespace {

constexpr std::size_t kSnapshotStride = 32;

std::uint8_t& snapshot_status(int array_index)
{
    return lasttime[status_block::kArrayStatus + kSnapshotStride * array_index];
}

std::uint8_t& snapshot_members(int array_index)
{
    return lasttime[status_block::kMemberMask + kSnapshotStride * array_index];
}

static_assert(status_block::kMemberMask + kSnapshotStride * (kArrays - 1) < sizeof lasttime);

} // namespace

int str_cmp()
{
    for (int i = 0; i < kArrays; ++i) {
        read_array_status(i);
        if (ArrayStatus[status_block::kMemberMask] != snapshot_members(i))
            return 1;
        if (array_functional(ArrayStatus[status_block::kArrayStatus]) != array_functional(snapshot_status(i)))
            return 1;
    }
    return 0;
}

void remember_array_states()
{
    for (int i = 0; i < kArrays; ++i) {
        read_array_status(i);
        snapshot_status(i) = ArrayStatus[status_block::kArrayStatus];
        snapshot_members(i) = ArrayStatus[status_block::kMemberMask];
    }
}
