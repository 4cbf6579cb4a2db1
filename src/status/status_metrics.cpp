#include "status/status_report.h"

#include <charconv>
#include <cstdio>

namespace {

// One metric family: its HELP and TYPE lines, then its samples.
class Family {
public:
    Family(std::string& out, const char* name, const char* help) : out_(out), name_(name)
    {
        out_ += std::string("# HELP ") + name + " " + help + "\n# TYPE " + name + " gauge\n";
    }
    void sample(const std::string& labels, double value)
    {
        char number[32];
        std::snprintf(number, sizeof number, "%.15g", value);
        out_ += name_ + (labels.empty() ? "" : "{" + labels + "}") + " " + number + "\n";
    }

private:
    std::string& out_;
    std::string name_;
};

// Label values are the program's own names and the drive's model text: quote, backslash
// and newline escaped as the format asks.
std::string label(const char* name, const std::string& value)
{
    std::string escaped;
    for (char c : value) {
        if (c == '\\' || c == '"')
            escaped += '\\';
        escaped += c == '\n' ? std::string("\\n") : std::string(1, c);
    }
    return std::string(name) + "=\"" + escaped + "\"";
}

// Where the drive sits, and the array it belongs to (the label to join array series on).
std::string drive_labels(int position, const DriveStatus* drive)
{
    std::string labels = label("controller", std::to_string(position / 4 + 1)) + "," +
                         label("channel", std::to_string((position / 2) % 2 + 1)) + "," +
                         label("role", position % 2 == 0 ? "master" : "slave");
    if (drive && drive->array_number)
        labels += "," + label("array", std::to_string(*drive->array_number));
    return labels;
}

const DriveStatus* drive_at(const CardStatus& card, int position)
{
    for (const DriveStatus& d : card.drives)
        if (d.position == position)
            return &d;
    return nullptr;
}

void array_families(std::string& out, const CardStatus& card)
{
    Family state(out, "quorvex_array_state", "1 for the state each array is in, 0 for the others.");
    for (const ArrayStatusEntry& a : card.arrays)
        for (int s = 0; s < 4; ++s)
            state.sample(label("array", std::to_string(a.number)) + "," + label("mode", a.raid_mode) + "," +
                             label("state", kArrayStateNames[s]),
                         static_cast<int>(a.state) == s ? 1 : 0);
    Family members(out, "quorvex_array_members", "Drives that are members of the array.");
    for (const ArrayStatusEntry& a : card.arrays)
        members.sample(label("array", std::to_string(a.number)), static_cast<double>(a.members.size()));
    Family progress(out, "quorvex_array_rebuild_progress_ratio", "Part of the array rebuilt so far, while a rebuild runs.");
    for (const ArrayStatusEntry& a : card.arrays)
        if (a.rebuild_ratio)
            progress.sample(label("array", std::to_string(a.number)), *a.rebuild_ratio);
}

void drive_families(std::string& out, const CardStatus& card)
{
    Family present(out, "quorvex_drive_present", "1 when a drive answers at the position.");
    for (int position = 0; position < 8; ++position) {
        const DriveStatus* drive = drive_at(card, position);
        present.sample(drive_labels(position, drive), drive ? 1 : 0);
    }
    Family info(out, "quorvex_drive_info", "The model of each drive present.");
    for (const DriveStatus& d : card.drives)
        info.sample(drive_labels(d.position, &d) + "," + label("model", d.model), 1);
    Family functional(out, "quorvex_drive_functional", "1 when the drive is functional, 0 while it is rebuilt.");
    for (const DriveStatus& d : card.drives)
        functional.sample(drive_labels(d.position, &d), d.state == DriveState::Functional ? 1 : 0);
}

void swap_box_families(std::string& out, const CardStatus& card)
{
    const auto boxes = card.swap_boxes.value_or(std::vector<SwapBoxStatus>{});
    Family temperature(out, "quorvex_swapbox_temperature_celsius", "Temperature in the swap box.");
    for (const SwapBoxStatus& b : boxes)
        if (b.temperature_celsius)
            temperature.sample(label("box", std::to_string(b.position + 1)), *b.temperature_celsius);
    Family fan(out, "quorvex_swapbox_fan_rpm", "Fan speed of the swap box.");
    for (const SwapBoxStatus& b : boxes)
        if (b.fan_rpm)
            fan.sample(label("box", std::to_string(b.position + 1)), *b.fan_rpm);
    Family voltage(out, "quorvex_swapbox_voltage_volts", "Supply voltages of the swap box.");
    for (const SwapBoxStatus& b : boxes) {
        if (!b.vcc_volts)
            continue;
        const std::string box = label("box", std::to_string(b.position + 1));
        voltage.sample(box + "," + label("rail", "vcc"), *b.vcc_volts);
        voltage.sample(box + "," + label("rail", "v12"), *b.v12_volts);
    }
}

} // namespace

std::string status_metrics(const CardStatus& card, std::time_t now, std::optional<std::time_t> last_success)
{
    std::string out;
    Family(out, "quorvex_collect_success", "1 when the card was read, 0 when it could not be.").sample("", card.card_found ? 1 : 0);
    Family(out, "quorvex_collect_timestamp_seconds",
           "When the card was last asked, whether it answered or not, in seconds since the epoch.")
        .sample("", static_cast<double>(now));
    if (card.card_found)
        last_success = now;
    if (last_success)
        Family(out, "quorvex_last_success_timestamp_seconds", "When the card was last read, in seconds since the epoch.")
            .sample("", static_cast<double>(*last_success));
    Family(out, "quorvex_swapbox_read_success",
           "1 when the swap boxes were read, 0 when not (the controller was busy, or the card did not answer).")
        .sample("", card.swap_boxes ? 1 : 0);
    // A failed read leaves nothing that could pass for a current value.
    if (!card.card_found)
        return out;
    array_families(out, card);
    drive_families(out, card);
    swap_box_families(out, card);
    return out;
}

std::optional<std::time_t> last_success_in(std::string_view metrics, std::time_t now)
{
    constexpr std::string_view name = "\nquorvex_last_success_timestamp_seconds ";
    const auto at = metrics.find(name);
    if (at == std::string_view::npos)
        return std::nullopt;
    const std::string_view value = metrics.substr(at + name.size(), metrics.find('\n', at + 1) - at - name.size());
    std::time_t seconds = 0;
    const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), seconds);
    // Only a whole number that is not in the future passes for a time this program wrote.
    if (error != std::errc() || end != value.data() + value.size() || seconds <= 0 || seconds > now)
        return std::nullopt;
    return seconds;
}
