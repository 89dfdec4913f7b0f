// The settings in a recording: the profile block the replay loads, and each
// configuration dialog as a `config` block.
#include <string>

#include "record/trace_writer.h"
#include "settings/setting_table.h"

namespace k7 {
namespace {

// A value the dialog's control for the key can be set to.
bool Settable(const SettingKey& key, std::int32_t value) {
    if (key.list != nullptr) return value >= -1 && value < static_cast<int>(key.list->size());
    return true;
}

}  // namespace

// The plug-in's own section, every key written out: nothing else of the
// host's profile.
void TraceWriter::WriteProfile(const char* command, const std::vector<std::int32_t>& values) {
    out_ += std::string(command) + " <<END_OF_PROFILE\n<profile>\n <" + kSettingsSection + ">\n";
    for (std::size_t i = 0; i < kSettingKeys.size(); ++i)
        out_ += "  <" + std::string(kSettingKeys[i].key) + ">" + std::to_string(values[i]) + "</" +
                kSettingKeys[i].key + ">\n";
    out_ += " </" + std::string(kSettingsSection) + ">\n</profile>\nEND_OF_PROFILE\n";
}

void TraceWriter::ConfigRecord(const Record& r) {
    const auto index = static_cast<std::size_t>(r.code);
    switch (r.kind) {
        case RecordKind::Setting:
            if (index < settings_.size()) settings_[index] = static_cast<std::int32_t>(r.value(0));
            return;
        case RecordKind::Shown:
            if (index < shown_.size())
                shown_[index] = applied_[index] = static_cast<std::int32_t>(r.value(0));
            return;
        case RecordKind::ConfigSet:
            if (index < applied_.size()) applied_[index] = static_cast<std::int32_t>(r.value(0));
            return;
        case RecordKind::ConfigOpened:
            FlushTime();
            // The dialog opens on what the plug-in read from the profile just
            // now: where that is not what the replay's profile holds (a key
            // the profile lacked, a change by the host meanwhile), the replay's
            // profile is rewritten first.
            if (shown_ != settings_) {
                Note("the profile as the dialog read it");
                WriteProfile("profile-now", shown_);
                settings_ = shown_;
            }
            Line("config");
            indent_ = 2;
            configOpen_ = true;
            return;
        case RecordKind::ConfigClosed:
            return CloseDialog((r.flags & record_flags::kOk) != 0);
        case RecordKind::ConfigEnd:
            FlushTime();
            indent_ = 0;
            if (configOpen_) {
                Line("end");
                // The replay holds what the dialog left in the plug-in.
                for (std::size_t i = 0; i < settings_.size(); ++i)
                    Line("expect setting " + std::string(kSettingKeys[i].key) + " " +
                         std::to_string(settings_[i]));
            }
            configOpen_ = false;
            if (r.flags & record_flags::kSaveFailed)
                Note(
                    "the settings could not be saved to the profile here (the host showed the "
                    "message); the replay saves them");
            return;
        default:
            return;
    }
}

// The replay's dialog opens on the same values as the plug-in's did. OK
// gives the plug-in what the dialog applied: a `set` of each value that
// changed. Escape leaves it with the values shown.
void TraceWriter::CloseDialog(bool ok) {
    FlushTime();
    for (std::size_t i = 0; ok && i < settings_.size(); ++i) {
        if (applied_[i] == settings_[i]) continue;
        const SettingKey& key = kSettingKeys[i];
        if (Settable(key, applied_[i]))
            Line("set " + std::string(key.key) + " " + std::to_string(applied_[i]));
        else
            Note(std::string("the dialog gave ") + key.key + " the value " +
                 std::to_string(applied_[i]) + ", which no control can be set to");
        settings_[i] = applied_[i];
    }
    Line(ok ? "ok" : "escape");
}

}  // namespace k7
