// Building the universe from the properties window's settings, and the build's outcome.
#include "Main/Main.h"

#include "Options/Options.h"
#include "universe/SettingsFormulas.h"
#include "universe/SimulationRunner.h"
#include "universe/UniverseSnapshot.h"

#include <QMessageBox>

void TMainForm::CreateUniverse() {
    if (!FPropertiesDlg)
        return;
    const TUniverseSettings settings = FPropertiesDlg->UniverseSettings();
    Runner().BuildUniverse(settings);
    FSpace = SettingsFormulas::Space(settings.Space);
    FBuildRows = SettingsFormulas::ParticleCount(settings.Number);
    // Ready from now on, as far as the commands go: they queue behind the build. A failure
    // takes it back when nothing was ever built.
    FUniverseReady = true;
    ShowRecorderPosition();
}

void TMainForm::BuildEnded(const TUniverseSnapshot& snapshot) {
    if (snapshot.Build == TUniverseSnapshot::TBuild::Built) {
        FEverBuilt = true;
        return;
    }
    // A cancelled build was overtaken by a newer one and says nothing.
    if (snapshot.Build == TUniverseSnapshot::TBuild::Cancelled)
        return;
    // A failed one leaves a universe without particles, which the views now draw black.
    FUniverseReady = FEverBuilt;
    if (!FUniverseReady)
        SetProcessing(false);
    QMessageBox::critical(this, QStringLiteral("Error"),
                          QStringLiteral("There was not enough memory avalable to create the "
                                         "universe.\nSuggestion: you try a smaller universe"));
}
