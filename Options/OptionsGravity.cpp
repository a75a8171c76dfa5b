// The gravity method and the tree's opening angle: processing settings, passed through the
// host to a running universe at once, which also decide what the pair-step sliders mean.
#include "Options/Options.h"

#include "Options/PropertiesHost.h"
#include "universe/GravityMethod.h"

#include <QComboBox>
#include <QSlider>

namespace {

constexpr std::string_view HintUnusedByTree =
    "Not used by the tree|The tree works out every pair's pull on every step; this setting "
    "applies to the pairs method only";

} // namespace

void TPropertiesDlg::SetGravityMethod(int value) {
    // The table's range is the list's: its two methods.
    if (!Store(&TSettings::GravityMethod, value))
        return;
    if (Host)
        Host->SetGravityMethod(value);
    ComboBoxGravity->setCurrentIndex(value);
    ShowGravityMethod();
}

void TPropertiesDlg::SetOpeningAngle(int value) {
    if (!Store(&TSettings::OpeningAngle, value))
        return;
    if (Host)
        Host->SetOpeningAngle(value);
    TrackBarOpening->setValue(value);
    ShowValueLabel(&TSettings::OpeningAngle);
}

void TPropertiesDlg::ShowGravityMethod() {
    const bool tree = Current().GravityMethod == gmTree;
    // The caption labels stay enabled, as the thermodynamics switch leaves them.
    for (QSlider* slider :
         {TrackBarRedoFrequency, TrackBarMatrixResolution, TrackBarLocalitySize}) {
        slider->setEnabled(!tree);
        ApplyHint(slider, tree ? HintUnusedByTree
                               : SettingsTable::Find(slider->objectName().toStdString())->Hint);
    }
}

void TPropertiesDlg::TrackBarOpeningChange() {
    SetOpeningAngle(TrackBarOpening->value());
}

void TPropertiesDlg::ComboBoxGravityChange() {
    SetGravityMethod(ComboBoxGravity->currentIndex());
}
