// A simulated card behind the device port and a private system log for scan tests.
#pragma once

#include "monitor/log_watch.h"
#include "simulated_driver.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <string>

class ScanFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        // The scan ends with the log watch: it must read an empty log of our own.
        write_file(dir.file("messages"), "");
        set_system_log_path(dir.file("messages").c_str());
        install_simulated_driver(card);
    }
    void TearDown() override { uninstall_simulated_driver(); }

    ScopedWorkDir dir;
    SimulatedCard card;
};

inline std::string spaces(int n) { return std::string(static_cast<std::size_t>(n), ' '); }
