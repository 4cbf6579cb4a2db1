#include "notify/announced_problems.h"

#include <nlohmann/json.hpp>

namespace {

std::string rebuild_fact(const std::string& array, const std::string& drive) { return array + " rebuilding " + drive; }

// "drive 2 at 4%" names drive 2.
std::string drive_named(const std::string& detail) { return detail.substr(0, detail.find(" at ")); }

std::vector<std::string> facts_of(const StatusProblem& problem)
{
    const std::string array = std::to_string(problem.array.array);
    std::vector<std::string> facts{array + (problem.array.state == "offline" ? " offline" : " degraded")};
    for (int drive : problem.rebuilding_drives)
        facts.push_back(rebuild_fact(array, "drive " + std::to_string(drive)));
    return facts;
}

std::vector<int> drives_rebuilding_in(const nlohmann::json& drives, int array)
{
    std::vector<int> found;
    for (const auto& drive : drives)
        if (drive.value("state", "") == "rebuilding" && drive.value("array", nlohmann::json()) == array)
            found.push_back(drive.at("position").get<int>());
    return found;
}

} // namespace

std::optional<std::vector<StatusProblem>> status_problems(const std::string& json)
{
    const nlohmann::json document = nlohmann::json::parse(json, nullptr, false);
    if (!document.is_object() || !document.contains("arrays") || !document["arrays"].is_array())
        return std::nullopt;
    std::vector<StatusProblem> problems;
    try {
        for (const auto& array : document["arrays"]) {
            StatusProblem problem;
            problem.array.array = array.at("array").get<int>();
            problem.array.state = array.at("state").get<std::string>();
            if (problem.array.state == "functional")
                continue;
            const auto ratio = array.value("rebuild_progress_ratio", nlohmann::json());
            if (ratio.is_number())
                problem.array.percent = static_cast<int>(ratio.get<double>() * 100);
            problem.rebuilding_drives = drives_rebuilding_in(document.value("drives", nlohmann::json::array()),
                                                             problem.array.array);
            problems.push_back(problem);
        }
    } catch (const nlohmann::json::exception&) {
        return std::nullopt;
    }
    return problems;
}

void AnnouncedProblems::forget_array(const std::string& array)
{
    std::erase_if(facts_, [&](const std::string& fact) { return fact.starts_with(array + " "); });
}

bool AnnouncedProblems::is_news(const std::string& event, const std::string& array, const std::string& detail)
{
    std::string fact;
    if (event == "ArrayDegraded")
        fact = array + " degraded";
    else if (event == "ArrayOffline")
        fact = array + " offline";
    else if (event == "RebuildStarted")
        fact = rebuild_fact(array, drive_named(detail));
    else if (event == "RebuildFinished")
        facts_.erase(rebuild_fact(array, drive_named(detail)));
    else if (event == "ArrayFunctional")
        forget_array(array);
    if (fact.empty())
        return true;
    // An array is degraded or offline, not both.
    if (event != "RebuildStarted")
        facts_.erase(array + (event == "ArrayDegraded" ? " offline" : " degraded"));
    return facts_.insert(fact).second;
}

std::vector<ArrayProblem> AnnouncedProblems::news_in_status(const std::vector<StatusProblem>& problems)
{
    std::vector<ArrayProblem> news;
    std::set<std::string> known;
    for (const StatusProblem& problem : problems) {
        bool new_here = false;
        for (const std::string& fact : facts_of(problem)) {
            new_here = new_here || !facts_.contains(fact);
            known.insert(fact);
        }
        if (new_here)
            news.push_back(problem.array);
    }
    facts_ = known;
    return news;
}
