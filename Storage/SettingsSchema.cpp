#include "Storage/SettingsSchema.h"

#include "Options/SliderTable.h"
#include "Storage/StorageError.h"

#include <algorithm>
#include <string>

namespace SettingsSchema {

namespace {

std::vector<TSettingRange> BuildRanges() {
    std::vector<TSettingRange> ranges;
    for (const TSliderRow& row : SliderTable::All())
        ranges.push_back({row.Property, row.Min, row.Max});
    for (const std::string_view flag :
         {"UseThermoCalc", "ShowLuminance", "UseLines", "AutoApply", "StartFormation"})
        ranges.push_back({flag, 0, 1});
    return ranges;
}

} // namespace

std::span<const TSettingRange> All() {
    static const std::vector<TSettingRange> Ranges = BuildRanges();
    return Ranges;
}

const TSettingRange* Find(std::string_view name) {
    for (const TSettingRange& range : All())
        if (range.Name == name)
            return &range;
    return nullptr;
}

void Validate(std::span<const TSettingValue> settings) {
    for (std::size_t i = 0; i < settings.size(); ++i) {
        const TSettingValue& setting = settings[i];
        const TSettingRange* range = Find(setting.Name);
        if (range == nullptr)
            throw TStorageError("The setting " + setting.Name + " is unknown.");
        for (std::size_t j = 0; j < i; ++j)
            if (settings[j].Name == setting.Name)
                throw TStorageError("The setting " + setting.Name + " appears twice.");
        if (setting.Value < range->Min || setting.Value > range->Max)
            throw TStorageError("The setting " + setting.Name + " is " +
                                std::to_string(setting.Value) + ", outside its range " +
                                std::to_string(range->Min) + " to " + std::to_string(range->Max) +
                                ".");
    }
    for (const TSettingRange& range : All())
        if (std::none_of(settings.begin(), settings.end(),
                         [&](const TSettingValue& s) { return s.Name == range.Name; }))
            throw TStorageError("The setting " + std::string(range.Name) + " is missing.");
}

} // namespace SettingsSchema
