#include "inventory/change_detection.h"

#include "driver/driver_requests.h"
#include "inventory/inventory_tables.h"
#include "ui/main_notebook.h"
#include "ui/widget_registry.h"

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

int gtkInitGraph()
{
    // An inventory without a functional array or any member would never differ from the
    // all-zero snapshot; the window must not stay empty then, so an unbuilt window is
    // built at the first check whatever the comparison says.
    const bool changed = str_cmp() != 0;
    if (changed || tabletop == nullptr)
        initgraph();
    for (int i = 0; i < kArrays; ++i) {
        read_array_status(i);
        snapshot_status(i) = ArrayStatus[status_block::kArrayStatus];
        snapshot_members(i) = ArrayStatus[status_block::kMemberMask];
    }
    return changed ? 1 : 0;
}
