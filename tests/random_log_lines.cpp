#include "random_log_lines.h"

#include "event_test_support.h"

#include <algorithm>

namespace {

constexpr std::size_t kPiece = 399;

const char* const kEvents[] = {
    "Array 1 drive 2 failed",
    "Array 1 rebuild started",
    "Array 1 rebuild done",
    "Array 2 mirror synchronised",
    // Agree in their first 70 characters once the prefix is in front.
    "Channel 1 master drive not responding, retrying the request once more (a)",
    "Channel 1 master drive not responding, retrying the request once more (b)",
};

} // namespace

std::string LineMaker::line(std::time_t now)
{
    last_stamp_ = stamp_near(now);
    // From the start of the host name: 16 puts the marker at column 32; 8 to 30 covers
    // columns 24 to 46.
    std::string line = log_prefix(last_stamp_) + message(16, 8, 30);
    // Now and then the piece after the first 399 characters reads as a marked line.
    if (line.size() > 460 && random_.chance(30)) {
        const std::string inner = marked_line(last_stamp_, "inner event");
        line.replace(kPiece, inner.size() - 1, inner.substr(0, inner.size() - 1));
    }
    fit_length(line);
    if (random_.chance(hourless_percent_)) {
        // The message ends at the missing hour; the free column before it tells them apart.
        line[7] = '\0';
        line[6] = random_.pick({' ', 'x', 'y'});
    }
    else if (random_.chance(4))
        garble(line);
    return line + "\n";
}

std::string LineMaker::message(int usual, int low, int high)
{
    if (!random_.chance(70))
        return "quorvex sshd[" + std::to_string(random_.between(1, 99999)) + "]: session opened";
    const int offset = random_.chance(60) ? usual : random_.between(low, high);
    return std::string(static_cast<std::size_t>(offset), 'k') + "HALVOREN|" + event();
}

std::time_t LineMaker::stamp_near(std::time_t now, bool year_before)
{
    const int kind = random_.between(1, 100);
    if (kind <= 40)
        return now - random_.between(0, 16);
    if (kind <= 50)
        return last_stamp_ ? last_stamp_ : now;
    if (kind <= 60)
        return now + random_.between(0, 20);
    if (kind <= 75)
        return now - random_.between(17, 600);
    if (kind <= 85)
        return now - 86400 * random_.between(1, 3) + random_.between(-100, 100);
    if (kind <= 90)
        return now + 86400 + random_.between(-600, 600);
    if (kind <= 95 && year_before)
        return now + 86400 - 365 * 86400 + random_.between(-3600, 3600);
    return now - random_.between(3600, 86400);
}

std::string LineMaker::event()
{
    if (random_.chance(85))
        return random_.pick(kEvents);
    static const std::string letters = [] {
        std::string all;
        for (unsigned i = 0; i < 3000; ++i)
            all += static_cast<char>('a' + (i * 7919u + i / 26) % 26);
        return all;
    }();
    return letters.substr(static_cast<std::size_t>(random_.between(0, 1500)),
                          static_cast<std::size_t>(random_.between(300, 1200)));
}

// Lines of exactly 397 to 401 characters with their newline sit on the piece edge.
void LineMaker::fit_length(std::string& line)
{
    if (!random_.chance(5))
        return;
    line.resize(static_cast<std::size_t>(random_.between(396, 400)), 'p');
}

void LineMaker::garble(std::string& line)
{
    const char odd[] = {'\0', '\n', '\xff', ' ', ':', '9', 'D'};
    for (int n = random_.between(1, 3); n > 0; --n)
        line[static_cast<std::size_t>(random_.between(0, std::min<int>(40, static_cast<int>(line.size()) - 1)))] =
            random_.pick(odd);
}
