#include "Options/Options.h"

#include "Childwin/ChildWin.h"
#include "Options/PropertiesHost.h"
#include "Options/SettingsLabels.h"
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

namespace {

// The equality test every writer starts with (after holding the value to its control's
// range): true when the value was new and is stored.
template <class T> bool Store(T& field, T value) {
    if (field == value)
        return false;
    field = value;
    return true;
}

} // namespace

TPropertiesDlg::TPropertiesDlg(TPropertiesHost* host, QWidget* parent)
    : QDialog(parent, Qt::Tool), Host(host) {
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
    const auto entries = SliderTable::All();
    const TSliderRow* entry = SliderTable::Find(property);
    return entry ? Sliders[static_cast<std::size_t>(entry - entries.data())] : nullptr;
}

QLabel* TPropertiesDlg::ValueLabel(std::string_view property) const {
    const auto entries = SliderTable::All();
    const TSliderRow* entry = SliderTable::Find(property);
    return entry ? ValueLabels[static_cast<std::size_t>(entry - entries.data())] : nullptr;
}

void TPropertiesDlg::ShowValueLabel(std::string_view property, int value) {
    const TSliderRow* entry = SliderTable::Find(property);
    if (QLabel* label = ValueLabel(property))
        label->setText(QString::fromStdString(SliderTable::LabelText(entry->Label, value)));
}

// ---- Universe settings: held here until the universe is built again ----

void TPropertiesDlg::ChangeNumber(int value) {
    value = SliderTable::Clamp("Number", value);
    if (!Store(FNumber, value))
        return;
    FParticleCount = SettingsFormulas::ParticleCount(value);
    ShowValueLabel("Number", value);
    TrackBarNumber->setValue(value);
}

void TPropertiesDlg::ChangeMass(int value) {
    value = SliderTable::Clamp("Mass", value);
    if (!Store(FMass, value))
        return;
    ShowValueLabel("Mass", value);
    TrackBarMass->setValue(value);
}

void TPropertiesDlg::ChangeSpace(int value) {
    value = SliderTable::Clamp("Space", value);
    if (!Store(FSpace, value))
        return;
    ShowValueLabel("Space", value);
    TrackBarSpace->setValue(value);
}

void TPropertiesDlg::ChangeVelocity(int value) {
    value = SliderTable::Clamp("Velocity", value);
    if (!Store(FVelocity, value))
        return;
    ShowValueLabel("Velocity", value);
    TrackBarVelocity->setValue(value);
}

void TPropertiesDlg::ChangeDistribution(int value) {
    value = SliderTable::Clamp("Distribution", value);
    if (!Store(FDistribution, value))
        return;
    ShowValueLabel("Distribution", value);
    TrackBarDistribution->setValue(value);
}

void TPropertiesDlg::ChangeGlobular(int value) {
    value = SliderTable::Clamp("Globular", value);
    if (!Store(FGlobular, value))
        return;
    TrackBarGlobular2->setValue(value);
}

void TPropertiesDlg::ChangeStartFormation(int value) {
    value = std::clamp(value, 0, ComboBoxFormation->count() - 1);
    if (!Store(FStartFormation, value))
        return;
    ComboBoxFormation->setCurrentIndex(value);
}

void TPropertiesDlg::ChangeFrictionEffect(int value) {
    value = SliderTable::Clamp("FrictionEffect", value);
    if (!Store(FFrictionEffect, value))
        return;
    ShowValueLabel("FrictionEffect", value);
    TrackBarFriction->setValue(value);
}

void TPropertiesDlg::ChangePressure(int value) {
    value = SliderTable::Clamp("Pressure", value);
    if (!Store(FPressure, value))
        return;
    ShowValueLabel("Pressure", value);
    TrackBarPressure->setValue(value);
}

void TPropertiesDlg::ChangeRadiation(int value) {
    value = SliderTable::Clamp("Radiation", value);
    if (!Store(FRadiation, value))
        return;
    ShowValueLabel("Radiation", value);
    TrackBarRadiation->setValue(value);
}

void TPropertiesDlg::SetSeparation(int value) {
    value = SliderTable::Clamp("Separation", value);
    if (!Store(FSeparation, value))
        return;
    ShowValueLabel("Separation", value);
    TrackBarSeparation->setValue(value);
}

void TPropertiesDlg::SetUseThermoCalc(bool value) {
    if (!Store(FUseThermoCalc, value))
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
    value = SliderTable::Clamp("RedoFrequency", value);
    if (!Store(FRedoFrequency, value))
        return;
    if (Host)
        Host->SetRedoFrequency(value);
    TrackBarRedoFrequency->setValue(value);
    ShowValueLabel("RedoFrequency", value);
}

void TPropertiesDlg::SetMatrixResolution(int value) {
    value = SliderTable::Clamp("MatrixResolution", value);
    if (!Store(FMatrixResolution, value))
        return;
    if (Host)
        Host->SetMatrixResolution(value);
    TrackBarMatrixResolution->setValue(value);
    ShowValueLabel("MatrixResolution", value);
}

void TPropertiesDlg::SetLocalitySize(int value) {
    value = SliderTable::Clamp("LocalitySize", value);
    if (!Store(FLocalitySize, value))
        return;
    if (Host)
        Host->SetLocalitySize(value);
    TrackBarLocalitySize->setValue(value);
    ShowValueLabel("LocalitySize", value);
}

void TPropertiesDlg::SetMaxSeparation(int value) {
    value = SliderTable::Clamp("MaxSeparation", value);
    if (!Store(FMaxSeparation, value))
        return;
    if (Host)
        Host->SetMaxSeparation(value);
}

// ---- View settings: passed to the active view at once ----

void TPropertiesDlg::SetPartSize(int value) {
    value = SliderTable::Clamp("PartSize", value);
    if (!Store(FPartSize, value))
        return;
    TrackBarPartSize->setValue(value);
    ShowValueLabel("PartSize", value);
    PassOn(&TMDIChild::SetPartSize, value);
}

void TPropertiesDlg::SetContrast(int value) {
    value = SliderTable::Clamp("Contrast", value);
    if (!Store(FContrast, value))
        return;
    TrackBarContrast->setValue(value);
    PassOn(&TMDIChild::SetContrast, value);
}

void TPropertiesDlg::SetShowLuminance(bool value) {
    if (!Store(FShowLuminance, value))
        return;
    // The box must say what the view shows, also when the value comes from the view.
    CheckBoxShowLuminance->setChecked(value);
    PassOn(&TMDIChild::SetShowLuminance, value);
}

void TPropertiesDlg::SetUseLines(bool value) {
    if (!Store(FUseLines, value))
        return;
    CheckBoxUseLines->setChecked(value);
    PassOn(&TMDIChild::SetUseLines, value);
}

void TPropertiesDlg::SetAutoApply(bool value) {
    if (!Store(FAutoApply, value))
        return;
    CheckBoxAutoApply->setChecked(value);
}

// ---- Running figures, written by the processing loop after every step ----

void TPropertiesDlg::SetIterationCount(int value) {
    if (!Store(FIterationCount, value))
        return;
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
    // The start values are the engine's default settings, written in the creation order.
    const TUniverseSettings start;
    SetAutoApply(true);
    SelectShowAs(0);
    ChangeVelocity(start.Velocity);
    ChangeMass(start.Mass);
    ChangeSpace(start.Space);
    ChangeNumber(start.Number);
    ChangeDistribution(start.Distribution);
    ChangeStartFormation(0); // already 0: the combo box keeps its design selection
    ChangeGlobular(start.Globular);
    ChangeFrictionEffect(start.Friction);
    ChangePressure(start.Pressure);
    SetSeparation(start.Separation);
    ChangeRadiation(start.Radiation);
    SetUseThermoCalc(start.UseThermodynamics);
    SetRedoFrequency(start.RedoFrequency);
    SetMatrixResolution(start.MatrixResolution);
    SetLocalitySize(start.LocalitySize);
    // The combo box lists the formations in their number order; the build reads its text.
    ComboBoxFormation->setCurrentIndex(start.Formation);
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

TUniverseSettings TPropertiesDlg::UniverseSettings() const {
    TUniverseSettings settings;
    settings.Number = Number();
    settings.Distribution = TrackBarDistribution->value();
    settings.Space = TrackBarSpace->value();
    settings.Velocity = TrackBarVelocity->value();
    settings.Mass = TrackBarMass->value();
    settings.Friction = TrackBarFriction->value();
    settings.Pressure = TrackBarPressure->value();
    settings.Radiation = TrackBarRadiation->value();
    settings.Globular = TrackBarGlobular2->value();
    settings.Separation = Separation();
    settings.UseThermodynamics = CheckUseThermo->isChecked();
    settings.Formation =
        SettingsFormulas::FormationFromText(ComboBoxFormation->currentText().toStdString());
    settings.RedoFrequency = RedoFrequency();
    settings.MatrixResolution = MatrixResolution();
    settings.LocalitySize = LocalitySize();
    settings.MaxSeparation = MaxSeparation();
    return settings;
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
        Host->CreateUniverse();
}
