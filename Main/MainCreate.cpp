// Building the universe from the properties window's settings, and the build's outcome.
#include "Main/Main.h"

#include "Options/Options.h"
#include "settings/SettingsModel.h"
#include "universe/SettingsFormulas.h"
#include "universe/SimulationRunner.h"
#include "universe/UniverseSnapshot.h"

#include <QMessageBox>

void TMainForm::CreateUniverse() {
    if (!FPropertiesDlg)
        return;
    const TUniverseSettings settings = FPropertiesDlg->UniverseSettings();
    FEmptyBuildSent = FPropertiesDlg->ParticleCount() < 1;
    Runner().BuildUniverse(settings);
    // A universe built from the settings is nobody's file: Save must ask for a name rather
    // than put it in place of the file the last one came from.
    FSession->StartAfresh(FSettingsModel->Settings());
    FSession->SetCurrentFile(QString());
    UpdateCaption();
    FSpace = SettingsFormulas::Space(settings.Space);
    FBuildRows = SettingsFormulas::ParticleCount(settings.Number);
    // Ready from now on, as far as the commands go: they queue behind the build. A failure
    // takes it back when nothing was ever built.
    FUniverseReady = true;
    ShowRecorderPosition();
}

void TMainForm::ApplyAll() {
    if (MaybeSaveChanges(true))
        CreateUniverse();
}

void TMainForm::BuildEnded(const TUniverseSnapshot& snapshot) {
    if (snapshot.Build == TUniverseSnapshot::TBuild::Built) {
        FEverBuilt = true;
        ShowRecorderPosition();
        return;
    }
    // A cancelled build was overtaken by a newer one and says nothing.
    if (snapshot.Build == TUniverseSnapshot::TBuild::Cancelled)
        return;
    // A failed one leaves a universe without particles, which the views now draw black.
    FUniverseReady = FEverBuilt;
    if (!FUniverseReady)
        SetProcessing(false);
    ShowRecorderPosition(); // nothing to save now
    // No particles at all is the user's choice, not a shortage: it gets its own message.
    QMessageBox::critical(this, QStringLiteral("Error"),
                          FEmptyBuildSent
                              ? QStringLiteral("A universe needs at least one particle")
                              : QStringLiteral("There was not enough memory avalable to create "
                                               "the universe.\nSuggestion: you try a smaller "
                                               "universe"));
}
