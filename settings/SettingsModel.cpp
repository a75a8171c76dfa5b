#include "settings/SettingsModel.h"

TSettingsModel::TSettingsModel(QObject* parent) : QObject(parent) {}

bool TSettingsModel::Set(std::int32_t TSettings::*field, std::int32_t value) {
    if (FSettings.*field == value)
        return false;
    FSettings.*field = value;
    emit Changed();
    return true;
}

bool TSettingsModel::Set(bool TSettings::*field, bool value) {
    if (FSettings.*field == value)
        return false;
    FSettings.*field = value;
    emit Changed();
    return true;
}
