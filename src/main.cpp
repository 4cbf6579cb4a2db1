#include "status/command_line.h"
#include "ui/startup.h"

int main(int argc, char** argv)
{
    // Answers for scripts come before the toolkit, so they need no display.
    if (const auto status = run_command_line(argc, argv))
        return *status;
    return run_monitor(argc, argv);
}
