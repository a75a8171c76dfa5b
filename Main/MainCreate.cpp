// Building the universe from the properties window's settings.
#include "Main/Main.h"

#include "Childwin/ChildWin.h"
#include "Options/Options.h"
#include "universe/SettingsFormulas.h"
#include "universe/Universe.h"

#include <QCheckBox>
#include <QComboBox>
#include <QMessageBox>
#include <QSlider>

namespace {

// The build reads the sliders and boxes themselves, not the window's stored copies, so it
// takes whatever the controls show at this moment; the formation comes from the combo
// box's text. Separation, the particle count and the processing settings come from the
// window's properties.
TUniverseSettings ReadSettings(const TPropertiesDlg& dialog) {
    TUniverseSettings settings;
    settings.Number = dialog.Number();
    settings.Distribution = dialog.TrackBarDistribution->value();
    settings.Space = dialog.TrackBarSpace->value();
    settings.Velocity = dialog.TrackBarVelocity->value();
    settings.Mass = dialog.TrackBarMass->value();
    settings.Friction = dialog.TrackBarFriction->value();
    settings.Pressure = dialog.TrackBarPressure->value();
    settings.Radiation = dialog.TrackBarRadiation->value();
    settings.Globular = dialog.TrackBarGlobular2->value();
    settings.Separation = dialog.Separation();
    settings.UseThermodynamics = dialog.CheckUseThermo->isChecked();
    settings.Formation =
        SettingsFormulas::FormationFromText(dialog.ComboBoxFormation->currentText().toStdString());
    settings.RedoFrequency = dialog.RedoFrequency();
    settings.MatrixResolution = dialog.MatrixResolution();
    settings.LocalitySize = dialog.LocalitySize();
    settings.MaxSeparation = dialog.MaxSeparation();
    return settings;
}

} // namespace

void TMainForm::CreateUniverse() {
    if (!FPropertiesDlg)
        return;
    if (!Universe)
        Universe = std::make_unique<TUniverse>();
    if (!SettingsFormulas::BuildUniverse(*Universe, ReadSettings(*FPropertiesDlg))) {
        QMessageBox::critical(this, QStringLiteral("Error"),
                              QStringLiteral("There was not enough memory avalable to create the "
                                             "universe.\nSuggestion: you try a smaller universe"));
        Universe->ReleaseParticles();
        const QList<TMDIChild*> views = Views();
        for (qsizetype i = views.size() - 1; i >= 0; --i)
            views[i]->Universe = nullptr;
        return;
    }
    FUniverseReady = true;
    LeavePlayback();
    UniverseReplaced();
    ShowRecorderPosition();
    const QList<TMDIChild*> views = Views();
    for (qsizetype i = views.size() - 1; i >= 0; --i) {
        TMDIChild* view = views[i];
        view->Universe = Universe.get();
        view->FrameValid = false;
        view->PresentFrame();
    }
}
