#include "ui/startup.h"
#include "monitor/event_sources.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

int main(int argc, char** argv)
{
    // Times in the tests are read as UTC, whatever the machine's zone.
    setenv("TZ", "UTC", 1);
    tzset();
    // The window's scan hook and event sink, as start-up installs them.
    install_window_hooks();
    // No test reads the machine's own journal: where the system log is missing, nothing can be read.
    set_journal_directory("/nonexistent/journal");
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
