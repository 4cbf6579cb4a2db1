// What the user has already been told about the card's arrays: which are degraded or
// offline and which drives are being rebuilt, as the service's events and its status say.
// A service that restarts reports a failing array once more, and its status shows what the
// events already said: only news makes a notification.
#pragma once

#include "notify/notification_texts.h"

#include <optional>
#include <set>
#include <string>
#include <vector>

// An array of the status that is not functional, with the drives being rebuilt in it.
struct StatusProblem {
    ArrayProblem array;
    std::vector<int> rebuilding_drives;
};

// The arrays not functional in the service's `Status` document; nothing when the text is
// not such a document (the service has not scanned yet).
std::optional<std::vector<StatusProblem>> status_problems(const std::string& json);

class AnnouncedProblems {
public:
    // Whether the event says something not said before; what it says is noted.
    bool is_news(const std::string& event, const std::string& array, const std::string& detail);
    // The arrays of a status with something not said before. The status then is what is
    // known: an array mended while the service was away is forgotten.
    std::vector<ArrayProblem> news_in_status(const std::vector<StatusProblem>& problems);

private:
    void forget_array(const std::string& array);
    std::set<std::string> facts_; // "1 degraded", "1 offline", "1 rebuilding drive 2"
};
