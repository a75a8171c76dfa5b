#pragma once

#include "Childwin/ChildWin.h"
#include "Options/Options.h"
#include "Options/PropertiesHost.h"

#include <QLabel>
#include <QSlider>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

/// Stands in for the main window: records every call the properties window makes and
/// offers a view of its own as the active one when asked to.
class TRecordingHost : public TPropertiesHost {
public:
    void SetMaxSeparation(std::int32_t value) override { Record("MaxSeparation", value); }
    void SetLocalitySize(std::int32_t value) override { Record("LocalitySize", value); }
    void SetMatrixResolution(std::int32_t value) override { Record("MatrixResolution", value); }
    void SetRedoFrequency(std::int32_t value) override { Record("RedoFrequency", value); }
    void SetGravityMethod(std::int32_t value) override { Record("GravityMethod", value); }
    void SetOpeningAngle(std::int32_t value) override { Record("OpeningAngle", value); }
    void CreateUniverse() override { ++Creations; }
    void SetStepsPerSecond(std::int32_t value) override { Record("StepsPerSecond", value); }
    TMDIChild* ActiveView() const override { return View; }

    struct TCall {
        std::string Name;
        int Value;
        bool operator==(const TCall&) const = default;
    };
    std::vector<TCall> Calls;
    int Creations = 0;
    TMDIChild* View = nullptr;

private:
    void Record(const char* name, int value) { Calls.push_back({name, value}); }
};

inline std::ostream& operator<<(std::ostream& out, const TRecordingHost::TCall& call) {
    return out << call.Name << "=" << call.Value;
}

/// A fresh properties window on a recording host for each test.
class PropertiesDlgTest : public ::testing::Test {
protected:
    void SetUp() override { Dialog = std::make_unique<TPropertiesDlg>(&Host, nullptr); }

    QString LabelText(const char* property) const { return Dialog->ValueLabel(property)->text(); }

    TRecordingHost Host;
    std::unique_ptr<TPropertiesDlg> Dialog;
};
