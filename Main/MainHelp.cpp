// The help window and the New from Preset menu.
#include "Main/Main.h"

#include "Main/HelpWindow.h"
#include "Options/Options.h"
#include "settings/SettingsPresets.h"

#include <QAction>
#include <QComboBox>
#include <QMenu>

namespace {

QString ToQString(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

void TMainForm::Contents1Click() {
    // Made on first use: most sessions never open it.
    if (!HelpWindow)
        HelpWindow = new THelpWindow(this);
    HelpWindow->ShowInFront();
}

void TMainForm::BuildPresetMenu() {
    auto* menu = new QMenu(this);
    menu->setObjectName(QStringLiteral("PresetMenu"));
    for (const TPreset& preset : SettingsPresets::All()) {
        QAction* action = menu->addAction(ToQString(preset.Caption));
        action->setObjectName(ToQString(preset.Name));
        action->setStatusTip(ToQString(preset.Hint));
        connect(action, &QAction::triggered, this, [this, &preset] { NewFromPreset(preset); });
    }
    Actions.NewFromPreset1->setMenu(menu);
}

void TMainForm::NewFromPreset(const TPreset& preset) {
    // A preset replaces the universe and every setting: whatever is unsaved is asked about.
    if (!FPropertiesDlg || !MaybeSaveChanges())
        return;
    // The properties window takes every setting as if the user had moved each control, so
    // that it shows what was built, and the build goes the way of Apply All.
    FPropertiesDlg->ApplySettings(SettingsPresets::Applied(preset, FSettingsModel->Settings()));
    // The list's text is what a build takes, and a formation written equal to the one
    // stored does not move the list.
    FPropertiesDlg->ComboBoxFormation->setCurrentIndex(preset.Settings.Formation);
    CreateUniverse();
}
