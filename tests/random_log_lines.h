// Random driver and system lines for the differential tests: time stamps around a clock,
// the marker in and out of its columns, repeats, lines far longer than a piece.
#pragma once

#include <ctime>
#include <random>
#include <string>

class Random {
public:
    explicit Random(unsigned seed) : engine_(seed) {}
    int between(int low, int high) { return std::uniform_int_distribution<int>(low, high)(engine_); }
    bool chance(int percent) { return between(1, 100) <= percent; }
    template <typename T, std::size_t N>
    const T& pick(const T (&items)[N]) { return items[between(0, N - 1)]; }

private:
    std::mt19937 engine_;
};

class LineMaker {
public:
    // Some logs have lost every hour: marked lines without one are newer than anything
    // after them, and in the first hour of the day they are recent.
    explicit LineMaker(Random& random) : random_(random), hourless_percent_(random.chance(5) ? 100 : 2) {}

    // A whole line as a system logger writes it, with the oddities a real log has: other
    // days, lines from the future, several in one second, lines far longer than a piece,
    // and now and then a garbled one or one without its hour.
    std::string line(std::time_t now);

    // Mostly within seconds of now, some minutes or days before, some after; with
    // year_before also the coming day of the year before.
    std::time_t stamp_near(std::time_t now, bool year_before = true);

    // The text after the time stamp: the driver's marker after `usual` filler characters
    // (or between low and high of them), or another program's line.
    std::string message(int usual, int low, int high);

private:
    std::string event();
    void fit_length(std::string& line);
    void garble(std::string& line);

    Random& random_;
    int hourless_percent_;
    std::time_t last_stamp_ = 0;
};
