#include "Options/Options.h"

#include "Childwin/ChildWin.h"
#include "Options/PropertiesHost.h"
#include "settings/SettingsLabels.h"
#include "settings/SettingsUniverse.h"
#include "universe/SettingsFormulas.h"

#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QLocale>
#include <QSignalBlocker>
#include <QSlider>

#include <algorithm>

TPropertiesDlg::TPropertiesDlg(TPropertiesHost* host, QWidget* parent, TSettingsModel* model)
    : QDialog(parent, Qt::Tool), Host(host), FModel(model ? model : new TSettingsModel(this)) {
    BuildWindow();
    BindControls();
    FormCreate();
}

TPropertiesDlg::~TPropertiesDlg() = default;

TMDIChild* TPropertiesDlg::ActiveView() const {
    return Host ? Host->ActiveView() : nullptr;
}

template <class T> void TPropertiesDlg::PassOn(void (TMDIChild::*set)(T), T value) {
    if (signalsBlocked())
        return;
    if (TMDIChild* view = ActiveView()) {
        // What the view reports of the change is what this window has just shown.
        const QSignalBlocker quiet(view);
        (view->*set)(value);
    }
}

QSlider* TPropertiesDlg::Slider(std::string_view property) const {
    const TSettingRow* entry = SettingsTable::Find(property);
    return entry && entry->IsSlider()
               ? Sliders[static_cast<std::size_t>(entry - SettingsTable::All().data())]
               : nullptr;
}

QLabel* TPropertiesDlg::ValueLabel(std::string_view property) const {
    const TSettingRow* entry = SettingsTable::Find(property);
    return entry && entry->IsSlider()
               ? ValueLabels[static_cast<std::size_t>(entry - SettingsTable::All().data())]
               : nullptr;
}

bool TPropertiesDlg::Store(std::int32_t TSettings::*field, int& value) {
    const TSettingRow* row = SettingsTable::Find(field);
    value = std::clamp(value, row->Min, row->Max);
    return FModel->Set(field, value);
}

bool TPropertiesDlg::Store(bool TSettings::*field, bool value) {
    return FModel->Set(field, value);
}

void TPropertiesDlg::ShowValueLabel(std::int32_t TSettings::*field) {
    const TSettingRow* entry = SettingsTable::Find(field);
    if (QLabel* label = ValueLabel(entry->Property))
        label->setText(
            QString::fromStdString(SettingsTable::LabelText(entry->Label, Current().*field)));
}

// ---- Universe settings: held here until the universe is built again ----

void TPropertiesDlg::ChangeNumber(int value) {
    if (!Store(&TSettings::Number, value))
        return;
    ShowValueLabel(&TSettings::Number);
    TrackBarNumber->setValue(value);
}

void TPropertiesDlg::ChangeMass(int value) {
    if (!Store(&TSettings::Mass, value))
        return;
    ShowValueLabel(&TSettings::Mass);
    TrackBarMass->setValue(value);
}

void TPropertiesDlg::ChangeSpace(int value) {
    if (!Store(&TSettings::Space, value))
        return;
    ShowValueLabel(&TSettings::Space);
    TrackBarSpace->setValue(value);
}

void TPropertiesDlg::ChangeVelocity(int value) {
    if (!Store(&TSettings::Velocity, value))
        return;
    ShowValueLabel(&TSettings::Velocity);
    TrackBarVelocity->setValue(value);
}

void TPropertiesDlg::ChangeDistribution(int value) {
    if (!Store(&TSettings::Distribution, value))
        return;
    ShowValueLabel(&TSettings::Distribution);
    TrackBarDistribution->setValue(value);
}

void TPropertiesDlg::ChangeGlobular(int value) {
    if (!Store(&TSettings::Globular, value))
        return;
    TrackBarGlobular2->setValue(value);
}

void TPropertiesDlg::ChangeStartFormation(int value) {
    // The table's range is the list's: its two formations.
    if (!Store(&TSettings::StartFormation, value))
        return;
    ComboBoxFormation->setCurrentIndex(value);
}

void TPropertiesDlg::ChangeFrictionEffect(int value) {
    if (!Store(&TSettings::FrictionEffect, value))
        return;
    ShowValueLabel(&TSettings::FrictionEffect);
    TrackBarFriction->setValue(value);
}

void TPropertiesDlg::ChangePressure(int value) {
    if (!Store(&TSettings::Pressure, value))
        return;
    ShowValueLabel(&TSettings::Pressure);
    TrackBarPressure->setValue(value);
}

void TPropertiesDlg::ChangeRadiation(int value) {
    if (!Store(&TSettings::Radiation, value))
        return;
    ShowValueLabel(&TSettings::Radiation);
    TrackBarRadiation->setValue(value);
}

void TPropertiesDlg::SetSeparation(int value) {
    if (!Store(&TSettings::Separation, value))
        return;
    ShowValueLabel(&TSettings::Separation);
    TrackBarSeparation->setValue(value);
}

void TPropertiesDlg::SetUseThermoCalc(bool value) {
    if (!Store(&TSettings::UseThermoCalc, value))
        return;
    CheckUseThermo->setChecked(value);
    // The caption labels stay enabled; only the controls follow the switch.
    TrackBarFriction->setEnabled(value);
    TrackBarPressure->setEnabled(value);
    TrackBarRadiation->setEnabled(value);
    CheckBoxShowLuminance->setEnabled(value);
}

// ---- Processing settings: passed through the host to a running universe at once ----

void TPropertiesDlg::SetRedoFrequency(int value) {
    if (!Store(&TSettings::RedoFrequency, value))
        return;
    if (Host)
        Host->SetRedoFrequency(value);
    TrackBarRedoFrequency->setValue(value);
    ShowValueLabel(&TSettings::RedoFrequency);
}

void TPropertiesDlg::SetMatrixResolution(int value) {
    if (!Store(&TSettings::MatrixResolution, value))
        return;
    if (Host)
        Host->SetMatrixResolution(value);
    TrackBarMatrixResolution->setValue(value);
    ShowValueLabel(&TSettings::MatrixResolution);
}

void TPropertiesDlg::SetLocalitySize(int value) {
    if (!Store(&TSettings::LocalitySize, value))
        return;
    if (Host)
        Host->SetLocalitySize(value);
    TrackBarLocalitySize->setValue(value);
    ShowValueLabel(&TSettings::LocalitySize);
}

void TPropertiesDlg::SetMaxSeparation(int value) {
    if (!Store(&TSettings::MaxSeparation, value))
        return;
    if (Host)
        Host->SetMaxSeparation(value);
}

// ---- View settings: passed to the active view at once ----

void TPropertiesDlg::SetPartSize(int value) {
    if (!Store(&TSettings::PartSize, value))
        return;
    TrackBarPartSize->setValue(value);
    ShowValueLabel(&TSettings::PartSize);
    PassOn(&TMDIChild::SetPartSize, value);
}

void TPropertiesDlg::SetContrast(int value) {
    if (!Store(&TSettings::Contrast, value))
        return;
    TrackBarContrast->setValue(value);
    PassOn(&TMDIChild::SetContrast, value);
}

void TPropertiesDlg::SetShowLuminance(bool value) {
    if (!Store(&TSettings::ShowLuminance, value))
        return;
    // The box must say what the view shows, also when the value comes from the view.
    CheckBoxShowLuminance->setChecked(value);
    PassOn(&TMDIChild::SetShowLuminance, value);
}

void TPropertiesDlg::SetUseLines(bool value) {
    if (!Store(&TSettings::UseLines, value))
        return;
    CheckBoxUseLines->setChecked(value);
    PassOn(&TMDIChild::SetUseLines, value);
}

void TPropertiesDlg::SetAutoApply(bool value) {
    if (!Store(&TSettings::AutoApply, value))
        return;
    CheckBoxAutoApply->setChecked(value);
}

// ---- Running figures, written by the processing loop after every step ----

void TPropertiesDlg::SetIterationCount(int value) {
    if (FIterationCount == value)
        return;
    FIterationCount = value;
    LabelIterationCount->setText(QString::fromStdString(SettingsLabels::IterationText(value)));
    emit FiguresChanged();
}

void TPropertiesDlg::SetOptimisation(float value) {
    FOptimisation = value;
    const std::string separator = QLocale().decimalPoint().toStdString();
    LabelOptimisation->setText(
        QString::fromStdString(SettingsLabels::OptimisationText(value, separator)));
    emit FiguresChanged();
}

// ---- Show As and the active view ----

void TPropertiesDlg::SelectShowAs(int index) {
    // A row selected from code reports the view's method; only the user's choice acts.
    const QSignalBlocker quiet(ListBoxShowAs);
    ListBoxShowAs->setCurrentRow(index);
}

void TPropertiesDlg::ViewActivated(TMDIChild* view) {
    if (!view)
        return;
    // The whole View page follows the view, so that no control contradicts the picture.
    // The values are the view's own: with the window's and the controls' signals blocked,
    // none comes back into a writer or goes back to the view.
    const QSignalBlocker quiet(this);
    const QSignalBlocker size(TrackBarPartSize), contrast(TrackBarContrast);
    const QSignalBlocker luminance(CheckBoxShowLuminance), lines(CheckBoxUseLines);
    SelectShowAs(view->ShowAs());
    SetContrast(view->Contrast());
    SetPartSize(view->PartSize());
    SetShowLuminance(view->ShowLuminance());
    SetUseLines(view->UseLines());
}

// ---- Creation and showing ----

void TPropertiesDlg::FormCreate() {
    // The start values come from the settings table, written in the creation order. The
    // View page's Size, Contrast and check boxes wait for the first view to report its own.
    const TSettings start = SettingsTable::Defaults();
    SetAutoApply(start.AutoApply);
    SelectShowAs(0);
    ChangeVelocity(start.Velocity);
    ChangeMass(start.Mass);
    ChangeSpace(start.Space);
    ChangeNumber(start.Number);
    ChangeDistribution(start.Distribution);
    ChangeStartFormation(start.StartFormation); // already 0: the list keeps its selection
    ChangeGlobular(start.Globular);
    ChangeFrictionEffect(start.FrictionEffect);
    ChangePressure(start.Pressure);
    SetSeparation(start.Separation);
    ChangeRadiation(start.Radiation);
    SetUseThermoCalc(start.UseThermoCalc);
    SetRedoFrequency(start.RedoFrequency);
    SetMatrixResolution(start.MatrixResolution);
    SetLocalitySize(start.LocalitySize);
    SetGravityMethod(start.GravityMethod);
    SetOpeningAngle(start.OpeningAngle);
    // The combo box lists the formations in their number order; the build takes its text.
    ComboBoxFormation->setCurrentIndex(start.Formation);
    FormationShown();
    SetMaxSeparation(start.MaxSeparation);
}

void TPropertiesDlg::FormShow() {
    ChangeNumber(TrackBarNumber->value());
    ChangeGlobular(TrackBarGlobular2->value());
}

void TPropertiesDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TPropertiesDlg::keyPressEvent(QKeyEvent* event) {
    // Escape ends only a modal showing; the floating window stays where the user put it.
    if (event->key() == Qt::Key_Escape && !isModal()) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

// ---- Control handlers: each writes the control's state back to its property ----

void TPropertiesDlg::TrackBarNumberChange() {
    ChangeNumber(TrackBarNumber->value());
}
void TPropertiesDlg::TrackBarMassChange() {
    ChangeMass(TrackBarMass->value());
}
void TPropertiesDlg::TrackBarGlobular2Change() {
    ChangeGlobular(TrackBarGlobular2->value());
}
void TPropertiesDlg::TrackBarSeparationChange() {
    SetSeparation(TrackBarSeparation->value());
}
void TPropertiesDlg::TrackBarSpaceChange() {
    ChangeSpace(TrackBarSpace->value());
}
void TPropertiesDlg::TrackBarVelocityChange() {
    ChangeVelocity(TrackBarVelocity->value());
}
void TPropertiesDlg::TrackBarDistributionChange() {
    ChangeDistribution(TrackBarDistribution->value());
}
void TPropertiesDlg::TrackBarRedoFrequencyChange() {
    SetRedoFrequency(TrackBarRedoFrequency->value());
}
void TPropertiesDlg::TrackBarMatrixResolutionChange() {
    SetMatrixResolution(TrackBarMatrixResolution->value());
}
void TPropertiesDlg::TrackBarLocalitySizeChange() {
    SetLocalitySize(TrackBarLocalitySize->value());
}
void TPropertiesDlg::TrackBarFrictionChange() {
    ChangeFrictionEffect(TrackBarFriction->value());
}
void TPropertiesDlg::TrackBarPressureChange() {
    ChangePressure(TrackBarPressure->value());
}
void TPropertiesDlg::TrackBarRadiationChange() {
    ChangeRadiation(TrackBarRadiation->value());
}
void TPropertiesDlg::TrackBarPartSizeChange() {
    SetPartSize(TrackBarPartSize->value());
}
void TPropertiesDlg::TrackBarContrastChange() {
    SetContrast(TrackBarContrast->value());
}
void TPropertiesDlg::TrackBarMaxSepChange() {
    SetMaxSeparation(TrackBarMaxSep->value());
}

void TPropertiesDlg::CheckUseThermoClick() {
    SetUseThermoCalc(CheckUseThermo->isChecked());
}
void TPropertiesDlg::CheckBoxShowLuminanceClick() {
    SetShowLuminance(CheckBoxShowLuminance->isChecked());
}
void TPropertiesDlg::CheckBoxUseLinesClick() {
    SetUseLines(CheckBoxUseLines->isChecked());
}
void TPropertiesDlg::CheckBoxAutoApplyClick() {
    SetAutoApply(CheckBoxAutoApply->isChecked());
}

void TPropertiesDlg::ComboBoxFormationChange() {
    ChangeStartFormation(
        SettingsFormulas::FormationFromText(ComboBoxFormation->currentText().toStdString()));
}

void TPropertiesDlg::ListBoxShowAsClick() {
    const int row = ListBoxShowAs->currentRow();
    if (row < saMonocular || row > saChromoStereo)
        return;
    PassOn(&TMDIChild::SetShowAs, static_cast<TShowAs>(row));
}

void TPropertiesDlg::FormationShown() {
    FModel->Set(&TSettings::Formation, SettingsFormulas::FormationFromText(
                                           ComboBoxFormation->currentText().toStdString()));
}

TSettings TPropertiesDlg::ShownSettings() const {
    // A control moved with its notifications blocked shows what the model does not hold; a
    // build goes by what these controls show.
    static constexpr std::int32_t TSettings::*ReadFromSlider[] = {
        &TSettings::Distribution, &TSettings::Space,          &TSettings::Velocity,
        &TSettings::Mass,         &TSettings::FrictionEffect, &TSettings::Pressure,
        &TSettings::Radiation,    &TSettings::Globular,
    };
    TSettings shown = Current();
    for (const auto field : ReadFromSlider) {
        const TSettingRow* row = SettingsTable::Find(field);
        shown.*field = Slider(row->Property)->value();
    }
    shown.UseThermoCalc = CheckUseThermo->isChecked();
    shown.Formation =
        SettingsFormulas::FormationFromText(ComboBoxFormation->currentText().toStdString());
    return shown;
}

TUniverseSettings TPropertiesDlg::UniverseSettings() const {
    return SettingsUniverse::Build(ShownSettings());
}

void TPropertiesDlg::ApplySettings(const TSettings& s) {
    ChangeNumber(s.Number);
    ChangeMass(s.Mass);
    ChangeGlobular(s.Globular);
    SetSeparation(s.Separation);
    ChangeSpace(s.Space);
    ChangeVelocity(s.Velocity);
    ChangeDistribution(s.Distribution);
    SetRedoFrequency(s.RedoFrequency);
    SetMatrixResolution(s.MatrixResolution);
    SetLocalitySize(s.LocalitySize);
    ChangePressure(s.Pressure);
    ChangeFrictionEffect(s.FrictionEffect);
    ChangeRadiation(s.Radiation);
    SetOpeningAngle(s.OpeningAngle);
    SetPartSize(s.PartSize);
    SetContrast(s.Contrast);
    SetMaxSeparation(s.MaxSeparation);
    SetUseThermoCalc(s.UseThermoCalc);
    SetShowLuminance(s.ShowLuminance);
    SetUseLines(s.UseLines);
    SetAutoApply(s.AutoApply);
    SetGravityMethod(s.GravityMethod);
    ChangeStartFormation(s.StartFormation);
}

void TPropertiesDlg::ShowUniversePage() {
    PageControl1->setCurrentWidget(PageUniverse);
}

int TPropertiesDlg::StepsPerSecond() const {
    static constexpr int Paces[] = {0, 1000, 100, 30, 10, 1};
    const int row = ComboBoxSpeed ? ComboBoxSpeed->currentIndex() : 0;
    return row >= 0 && row < static_cast<int>(std::size(Paces)) ? Paces[row] : 0;
}

void TPropertiesDlg::BtnUniverseApplyClick() {
    setResult(QDialog::Accepted);
    // A modal showing ends with OK, and the new-universe command that opened it builds the
    // universe then; building here as well would seed the largest universes twice (and show
    // a failure's message box twice). A floating window builds at once and stays open.
    if (isModal() && isVisible()) {
        done(QDialog::Accepted);
        return;
    }
    if (Host)
        Host->ApplyAll();
}
