#include "Storage/SettingsSchema.h"

#include "Storage/H5Access.h"
#include "Storage/StorageError.h"
#include "settings/SettingsTable.h"

#include <string>

namespace SettingsSchema {

namespace {

void RequireRange(const TSettingRow& row, std::int32_t value) {
    if (value < row.Min || value > row.Max)
        throw TStorageError("The setting " + std::string(row.Property) + " is " +
                            std::to_string(value) + ", outside its range " +
                            std::to_string(row.Min) + " to " + std::to_string(row.Max) + ".");
}

} // namespace

void Validate(const TSettings& settings) {
    for (const TSettingRow& row : SettingsTable::All())
        if (row.Kept)
            RequireRange(row, SettingsTable::Value(settings, row));
}

void Write(hid_t group, const TSettings& settings) {
    for (const TSettingRow& row : SettingsTable::All())
        if (row.Kept)
            H5Access::WriteInt(group, std::string(row.Property).c_str(),
                               SettingsTable::Value(settings, row));
}

TSettings Read(hid_t group) {
    TSettings settings;
    for (const TSettingRow& row : SettingsTable::All()) {
        if (!row.Kept)
            continue;
        if (row.Added && H5Aexists(group, std::string(row.Property).c_str()) <= 0) {
            SettingsTable::SetValue(settings, row, row.Default);
            continue;
        }
        // Checked before it is stored: a check box kept as 2 is damage, not "on".
        const std::int32_t value = H5Access::ReadInt(group, std::string(row.Property).c_str());
        RequireRange(row, value);
        SettingsTable::SetValue(settings, row, value);
    }
    return settings;
}

} // namespace SettingsSchema
