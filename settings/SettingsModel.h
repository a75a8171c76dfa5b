#pragma once

#include "settings/Settings.h"

#include <QObject>

#include <cstdint>

/// The one current set of settings. The properties window writes it through its property
/// writers and reads it back through its getters; the main window, the files and the
/// engine's commands read it. A write of the value already held changes nothing and
/// announces nothing.
class TSettingsModel : public QObject {
    Q_OBJECT

public:
    explicit TSettingsModel(QObject* parent = nullptr);

    const TSettings& Settings() const { return FSettings; }

    /// Stores value; true when it was new (and Changed was sent).
    bool Set(std::int32_t TSettings::*field, std::int32_t value);
    bool Set(bool TSettings::*field, bool value);

signals:
    void Changed();

private:
    TSettings FSettings;
};
