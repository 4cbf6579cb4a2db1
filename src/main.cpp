#include "status/command_line.h"
#include "status/window_loader.h"

int main(int argc, char** argv)
{
    // Answers for scripts come before the toolkit, so they need no display.
    if (const auto status = run_command_line(argc, argv))
        return *status;
    return run_window(argc, argv);
}
