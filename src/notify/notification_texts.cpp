#include "notify/notification_texts.h"

#include "inventory/inventory_tables.h"

#include <cstdio>

namespace {

constexpr const char* kOpenMonitor = " Open the monitor for details.";

std::string capitalised(std::string text)
{
    if (!text.empty() && text[0] >= 'a' && text[0] <= 'z')
        text[0] = static_cast<char>(text[0] - 'a' + 'A');
    return text;
}

// The number after `word ` at the start of the text ("drive 2 at 4%" gives 2), or 0.
int number_after(const std::string& text, const std::string& word)
{
    int number = 0, used = 0;
    const std::string format = word + " %d%n";
    if (std::sscanf(text.c_str(), format.c_str(), &number, &used) != 1 || number < 1)
        return 0;
    return number;
}

// The drives of a detail such as "drive 2 offline, drive 3 offline", in words joined with
// "and"; empty when the detail is something else.
std::string drives_gone(const std::string& detail)
{
    std::vector<int> drives;
    std::size_t start = 0;
    while (start <= detail.size()) {
        const std::size_t end = std::min(detail.find(", ", start), detail.size());
        const std::string part = detail.substr(start, end - start);
        const int drive = number_after(part, "drive");
        if (drive == 0 || part != "drive " + std::to_string(drive) + " offline")
            return {};
        drives.push_back(drive);
        start = end + 2;
    }
    std::string words;
    for (std::size_t k = 0; k < drives.size(); ++k)
        words += (k == 0 ? "" : k + 1 == drives.size() ? " and " : ", ") + drive_words(drives[k]);
    return capitalised(words);
}

std::string member_of(const std::string& array)
{
    return array == "-" ? "" : " It is a member of RAID array " + array + ".";
}

NotificationText array_failure(const std::string& event, const std::string& array, const std::string& detail)
{
    const bool offline = event == "ArrayOffline";
    NotificationText text{Urgency::Critical, "RAID array " + array + (offline ? " offline" : " degraded"), {}};
    const std::string drives = drives_gone(detail);
    if (!drives.empty())
        text.body = drives + " left the array" + (offline ? "; its data cannot be reached." : ".");
    else if (!offline)
        text.body = "The array is no longer redundant.";
    else if (detail == "no longer reported by the driver")
        text.body = "The driver no longer reports the array.";
    else
        text.body = "The array's data cannot be reached.";
    text.body += kOpenMonitor;
    return text;
}

NotificationText controller_text(bool found, const std::string& detail)
{
    const int controller = number_after(detail, "controller");
    if (controller == 0 && found)
        return {Urgency::Normal, "RAID card answering", "The monitor service reaches the card again."};
    if (controller == 0)
        return {Urgency::Critical, "RAID card not answering",
                "The monitor service cannot reach the card: " + detail + "." + kOpenMonitor};
    const std::string name = "controller " + std::to_string(controller);
    if (found)
        return {Urgency::Normal, "RAID " + name + " found", capitalised(name) + " answers again."};
    return {Urgency::Critical, "RAID " + name + " missing", capitalised(name) + " no longer answers." + kOpenMonitor};
}

NotificationText drive_text(const std::string& event, const std::string& array, const std::string& detail)
{
    const int drive = number_after(detail, "drive");
    const std::string name = capitalised(drive == 0 ? detail : "drive " + std::to_string(drive));
    const std::string words = capitalised(drive == 0 ? detail : drive_words(drive));
    if (event == "DriveFailed")
        return {Urgency::Critical, name + " failed", words + " left RAID array " + array + "." + kOpenMonitor};
    if (event == "DriveMissing")
        return {Urgency::Critical, name + " missing", words + " no longer answers." + member_of(array) + kOpenMonitor};
    return {Urgency::Normal, name + " found", words + " answers." + member_of(array)};
}

NotificationText rebuild_text(const std::string& event, const std::string& array, const std::string& detail)
{
    const std::string words = drive_words(number_after(detail, "drive"));
    if (event == "RebuildFinished")
        return {Urgency::Normal, "Rebuild of RAID array " + array + " ended", "The rebuild of " + words + " has ended."};
    const std::size_t at = detail.rfind(" at ");
    const std::string done = at == std::string::npos ? "" : ", " + detail.substr(at + 4) + " done";
    return {Urgency::Normal, "RAID array " + array + " rebuilding", capitalised(words) + " is being rebuilt" + done + "."};
}

std::string state_words(const ArrayProblem& problem) { return problem.state == "critical" ? "degraded" : problem.state; }

std::string problem_words(const ArrayProblem& problem)
{
    std::string words = "array " + std::to_string(problem.array) + " is " + state_words(problem);
    if (problem.state == "rebuilding" && problem.percent)
        words += " (" + std::to_string(*problem.percent) + "% done)";
    return words;
}

} // namespace

std::string drive_words(int position)
{
    if (position < 1 || position > kDrivePositions)
        return "drive " + std::to_string(position);
    const int index = position - 1;
    return "drive " + std::to_string(position) + " (controller " + std::to_string(index / 4 + 1) + ", channel " +
           std::to_string((index / 2) % 2 + 1) + (index % 2 == 0 ? ", master)" : ", slave)");
}

std::optional<NotificationText> event_notification(const std::string& event, const std::string& array,
                                                   const std::string& detail)
{
    if (event == "DriverEvent")
        return std::nullopt;
    if (event == "ArrayDegraded" || event == "ArrayOffline")
        return array_failure(event, array, detail);
    if (event == "ArrayFunctional")
        return NotificationText{Urgency::Normal, "RAID array " + array + " functional", "The array is functional again."};
    if (event == "DriveFailed" || event == "DriveMissing" || event == "DriveFound")
        return drive_text(event, array, detail);
    if (event == "ControllerMissing" || event == "ControllerFound")
        return controller_text(event == "ControllerFound", detail);
    if (event == "RebuildStarted" || event == "RebuildFinished")
        return rebuild_text(event, array, detail);
    if (event == "TestEvent")
        return NotificationText{Urgency::Normal, "RAID monitor test",
                                "The RAID monitor service's notifications reach this desktop."};
    // An event this agent does not know yet still reaches the user.
    return NotificationText{Urgency::Normal, "RAID event " + event,
                            (array == "-" ? "" : "Array " + array + ": ") + detail};
}

NotificationText status_notification(const std::vector<ArrayProblem>& problems)
{
    NotificationText text;
    for (std::size_t k = 0; k < problems.size(); ++k) {
        if (problems[k].state != "rebuilding")
            text.urgency = Urgency::Critical;
        text.body += (k == 0 ? "" : k + 1 == problems.size() ? " and " : ", ") + problem_words(problems[k]);
    }
    text.title = problems.size() == 1
                     ? "RAID array " + std::to_string(problems[0].array) + " " + state_words(problems[0])
                     : "RAID arrays not functional";
    text.body = capitalised(text.body) + "." + kOpenMonitor;
    return text;
}
