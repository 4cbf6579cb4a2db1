#include "monitor/tick_cadence.h"

int secondCount;

namespace {

constexpr int kLastCount = 39;

void run(void (*work)())
{
    if (work)
        work();
}

} // namespace

void run_tick(const TickWork& work)
{
    if (++secondCount > kLastCount)
        secondCount = 1;
    run(work.every_tick);
    if (secondCount % 2 == 0)
        run(work.change_detection);
    if (secondCount % 5 == 0)
        run(work.rebuild_refresh);
    if (secondCount % 8 == 0)
        run(work.scan);
}
