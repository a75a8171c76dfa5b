#pragma once

#include "Storage/SimulationRecord.h"

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

/// The settings of the properties window that a simulation file keeps, with the range each
/// may take: the slider ranges, and 0 or 1 for the check boxes and the formation.
struct TSettingRange {
    std::string_view Name;
    std::int32_t Min;
    std::int32_t Max;
};

namespace SettingsSchema {

/// Every kept setting, sliders first in the properties window's order.
std::span<const TSettingRange> All();

/// The range of the setting with this property name; null when it is not kept.
const TSettingRange* Find(std::string_view name);

/// Throws TStorageError naming the first setting that is unknown, repeated, missing or out
/// of its range.
void Validate(std::span<const TSettingValue> settings);

} // namespace SettingsSchema
