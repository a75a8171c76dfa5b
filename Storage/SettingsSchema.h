#pragma once

#include "settings/Settings.h"

#include <hdf5.h>

/// The /Settings group of a simulation file: one integer attribute per kept setting, named
/// by its property, a check box as 0 or 1. Which settings are kept, and their ranges, come
/// from the settings table.
namespace SettingsSchema {

/// Throws TStorageError naming the first kept setting outside its range.
void Validate(const TSettings& settings);

void Write(hid_t group, const TSettings& settings);

/// Every kept setting; the others stay as a default-made TSettings holds them. A setting
/// added to the files since their format began takes its start value when missing. Throws
/// TStorageError naming the first other one that is missing, or any outside its range.
TSettings Read(hid_t group);

} // namespace SettingsSchema
