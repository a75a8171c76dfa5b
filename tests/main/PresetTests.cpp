// New from Preset, picked from the File menu as a user picks it.
#include "MainTestSupport.h"

#include "settings/SettingsModel.h"
#include "settings/SettingsPresets.h"
#include "universe/SettingsFormulas.h"

#include <QComboBox>
#include <QMenu>

namespace {

class PresetTest : public MainFormTest {
protected:
    void SetUp() override {
        MainFormTest::SetUp();
        ShowMain();
    }

    void Pick(const TPreset& preset) {
        QMenu* menu = Action("NewFromPreset1")->menu();
        ASSERT_NE(menu, nullptr);
        auto* item = menu->findChild<QAction*>(
            QString::fromUtf8(preset.Name.data(), static_cast<int>(preset.Name.size())));
        ASSERT_NE(item, nullptr) << preset.Name;
        item->trigger();
    }

    // What the engine's universe was built with and steps by, beyond TEngineState.
    std::pair<std::int32_t, TGravityMethod> CountAndMethod() const {
        std::promise<std::pair<std::int32_t, TGravityMethod>> reply;
        auto answer = reply.get_future();
        Main->Runner().Run([&reply](TUniverse& u) {
            reply.set_value({u.LastIndex + 1, u.GravityMethod});
        });
        EXPECT_EQ(answer.wait_for(std::chrono::seconds(60)), std::future_status::ready);
        return answer.get();
    }
};

const TPreset& Preset(std::string_view name) {
    const TPreset* preset = SettingsPresets::Find(name);
    EXPECT_NE(preset, nullptr) << name;
    return *preset;
}

TEST_F(PresetTest, EachPresetIsBuiltWithExactlyItsSettings) {
    // The menu offers every preset of the table, in its order.
    const QList<QAction*> items = Action("NewFromPreset1")->menu()->actions();
    ASSERT_EQ(items.size(), static_cast<qsizetype>(SettingsPresets::All().size()));
    for (std::size_t i = 0; i < SettingsPresets::All().size(); ++i)
        EXPECT_EQ(items[static_cast<qsizetype>(i)]->objectName().toStdString(),
                  SettingsPresets::All()[i].Name);

    // The largest is only sent: its build would outlast the test, and the next pick cancels
    // it. The window and the engine's processing settings already hold it.
    const TPreset& galaxies = Preset("PresetGalaxies");
    Pick(galaxies);
    EXPECT_EQ(Dialog->ParticleCount(), 192080);
    EXPECT_EQ(Dialog->ComboBoxGravity->currentIndex(), gmTree);
    EXPECT_EQ(Main->GravityMethod(), gmTree);

    // From the start universe (a collision, listed while the chosen formation reads 0) to a
    // single cluster and back: the list must follow, since a build takes its text.
    // The View page stays as the user set it, unless a preset sets it itself.
    const int size = Main->ActiveView()->PartSize();
    for (const char* name : {"PresetRotating", "PresetCollision", "PresetDisc", "PresetHot"}) {
        const TPreset& preset = Preset(name);
        const TSettings before = Main->SettingsModel().Settings();
        Pick(preset);
        Finish();
        const TSettings& s = preset.Settings;
        EXPECT_EQ(Main->SettingsModel().Settings(), SettingsPresets::Applied(preset, before))
            << name;
        EXPECT_EQ(Main->ActiveView()->PartSize(), size) << name;
        const TEngineState engine = Engine();
        EXPECT_EQ(engine.Formation, s.Formation) << name;
        EXPECT_EQ(engine.Mass, SettingsFormulas::Mass(s.Mass)) << name;
        EXPECT_EQ(engine.Globular, SettingsFormulas::Globular(s.Globular)) << name;
        EXPECT_EQ(engine.Pressure, SettingsFormulas::Pressure(s.Pressure)) << name;
        const auto [count, method] = CountAndMethod();
        EXPECT_EQ(count, SettingsFormulas::ParticleCount(s.Number)) << name;
        EXPECT_EQ(method, s.GravityMethod) << name;
    }
    // The hot collision shows its heat in the active view, at full contrast.
    EXPECT_TRUE(Main->ActiveView()->ShowLuminance());
    EXPECT_EQ(Main->ActiveView()->Contrast(), 512);
}

} // namespace
