// The entry point of the window module (see status/window_loader.h).
#include "ui/startup.h"

extern "C" __attribute__((visibility("default"))) int quorvex_run_window(int argc, char** argv)
{
    return run_monitor(argc, argv);
}
