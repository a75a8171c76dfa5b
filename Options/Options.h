#pragma once

#include "Options/RotationControl.h"
#include "settings/SettingsModel.h"
#include "settings/SettingsTable.h"
#include "universe/SettingsFormulas.h"

#include <QDialog>

#include <array>
#include <cstdint>

class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QSlider;
class QTabWidget;
class QTimer;
class QGridLayout;
class TMDIChild;
class TPropertiesHost;

/// The one properties window: every user setting as a published property shown on a
/// control, and the running figures of the simulation. The settings themselves live in a
/// TSettingsModel; the properties read it and their writers write it.
///
/// A writer of a slider's (or the formation box's) setting first holds the value to the
/// control's range, so a script or a file can never store what the control cannot show.
/// Every writer (but Optimisation's) returns at once when the value equals the stored one;
/// otherwise it stores first and only then moves its control. A control that is moved from
/// code notifies like a user's move, writes the property back, and that echo stops at the
/// equality test. View settings go to the host's active view, the processing settings to
/// the host, universe settings wait for the next build.
class TPropertiesDlg : public QDialog {
    Q_OBJECT
    Q_PROPERTY(bool AutoApply READ AutoApply WRITE SetAutoApply)
    Q_PROPERTY(bool ShowLuminance READ ShowLuminance WRITE SetShowLuminance)
    Q_PROPERTY(bool UseThermoCalc READ UseThermoCalc WRITE SetUseThermoCalc)
    Q_PROPERTY(bool UseLines READ UseLines WRITE SetUseLines)
    Q_PROPERTY(int Contrast READ Contrast WRITE SetContrast)
    Q_PROPERTY(int Number READ Number WRITE ChangeNumber)
    Q_PROPERTY(int Space READ Space WRITE ChangeSpace)
    Q_PROPERTY(int Mass READ Mass WRITE ChangeMass)
    Q_PROPERTY(int Pressure READ Pressure WRITE ChangePressure)
    Q_PROPERTY(int Radiation READ Radiation WRITE ChangeRadiation)
    Q_PROPERTY(int FrictionEffect READ FrictionEffect WRITE ChangeFrictionEffect)
    Q_PROPERTY(int Velocity READ Velocity WRITE ChangeVelocity)
    Q_PROPERTY(int Distribution READ Distribution WRITE ChangeDistribution)
    Q_PROPERTY(int Separation READ Separation WRITE SetSeparation)
    Q_PROPERTY(int MaxSeparation READ MaxSeparation WRITE SetMaxSeparation)
    Q_PROPERTY(int Globular READ Globular WRITE ChangeGlobular)
    Q_PROPERTY(int StartFormation READ StartFormation WRITE ChangeStartFormation)
    Q_PROPERTY(float Optimisation READ Optimisation WRITE SetOptimisation NOTIFY FiguresChanged)
    Q_PROPERTY(int PartSize READ PartSize WRITE SetPartSize)
    Q_PROPERTY(int RedoFrequency READ RedoFrequency WRITE SetRedoFrequency)
    Q_PROPERTY(int MatrixResolution READ MatrixResolution WRITE SetMatrixResolution)
    Q_PROPERTY(int LocalitySize READ LocalitySize WRITE SetLocalitySize)
    Q_PROPERTY(int GravityMethod READ GravityMethod WRITE SetGravityMethod)
    Q_PROPERTY(int OpeningAngle READ OpeningAngle WRITE SetOpeningAngle)
    Q_PROPERTY(int IterationCount READ IterationCount WRITE SetIterationCount NOTIFY FiguresChanged)
    Q_PROPERTY(int ParticleCount READ ParticleCount)

public:
    /// Builds the window and runs its creation handler, which writes the start values into
    /// model and already passes the processing settings to host (which may be null in
    /// tests of the window alone). Without a model the window keeps one of its own.
    explicit TPropertiesDlg(TPropertiesHost* host, QWidget* parent = nullptr,
                            TSettingsModel* model = nullptr);
    ~TPropertiesDlg() override;

    TSettingsModel& Model() const { return *FModel; }

    bool AutoApply() const { return Current().AutoApply; }
    bool UseThermoCalc() const { return Current().UseThermoCalc; }
    bool ShowLuminance() const { return Current().ShowLuminance; }
    bool UseLines() const { return Current().UseLines; }
    int Contrast() const { return Current().Contrast; }
    int Number() const { return Current().Number; }
    int Space() const { return Current().Space; }
    int Mass() const { return Current().Mass; }
    int FrictionEffect() const { return Current().FrictionEffect; }
    int Pressure() const { return Current().Pressure; }
    int Radiation() const { return Current().Radiation; }
    int Velocity() const { return Current().Velocity; }
    int Distribution() const { return Current().Distribution; }
    int Globular() const { return Current().Globular; }
    int StartFormation() const { return Current().StartFormation; }
    int Separation() const { return Current().Separation; }
    int MaxSeparation() const { return Current().MaxSeparation; }
    float Optimisation() const { return FOptimisation; }
    int PartSize() const { return Current().PartSize; }
    int LocalitySize() const { return Current().LocalitySize; }
    int RedoFrequency() const { return Current().RedoFrequency; }
    int MatrixResolution() const { return Current().MatrixResolution; }
    int GravityMethod() const { return Current().GravityMethod; }
    /// The tree's opening angle in twentieths, as its slider holds it.
    int OpeningAngle() const { return Current().OpeningAngle; }
    int IterationCount() const { return FIterationCount; }
    /// The particle count derived from Number: the count the universe is built with.
    int ParticleCount() const { return SettingsFormulas::ParticleCount(Number()); }
    /// The settings, with those a build reads from the controls themselves as the controls
    /// show them: the Universe page's sliders but Number and Separation, the Friction,
    /// Pressure and Capacity sliders, the thermodynamics box and the formation list's text.
    TSettings ShownSettings() const;
    /// What a build takes: ShownSettings() in the engine's terms.
    TUniverseSettings UniverseSettings() const;
    /// Writes every setting a file keeps through its writer, in the settings table's
    /// order, as if each were written to its property.
    void ApplySettings(const TSettings& settings);
    /// The Speed choice as a pace: 0 for as fast as possible, else steps per second.
    int StepsPerSecond() const;
    /// Turns to the Universe page, where the new-universe command opens the window.
    void ShowUniversePage();

    void SetAutoApply(bool value);
    void SetUseThermoCalc(bool value);
    void SetShowLuminance(bool value);
    void SetUseLines(bool value);
    void SetContrast(int value);
    void ChangeNumber(int value);
    void ChangeSpace(int value);
    void ChangeMass(int value);
    void ChangeFrictionEffect(int value);
    void ChangePressure(int value);
    void ChangeRadiation(int value);
    void ChangeVelocity(int value);
    void ChangeDistribution(int value);
    void ChangeGlobular(int value);
    void ChangeStartFormation(int value);
    void SetSeparation(int value);
    void SetMaxSeparation(int value);
    /// No equality test: every write reformats the label.
    void SetOptimisation(float value);
    void SetPartSize(int value);
    void SetLocalitySize(int value);
    void SetRedoFrequency(int value);
    void SetMatrixResolution(int value);
    /// The tree greys the redo, matrix and locality sliders, which only pairs use.
    void SetGravityMethod(int value);
    void SetOpeningAngle(int value);
    void SetIterationCount(int value);

    /// Selects a Show As row from code; unlike the user's choice it does not act.
    void SelectShowAs(int index);
    /// A view became active: the View page takes its Show As, contrast, part size,
    /// luminance and lines.
    void ViewActivated(TMDIChild* view);

    // Held rotation of the active view's camera.
    TRotateAction RotateAction() const { return FRotateAction; }
    float MouseTurnRate() const { return FMouseTurnRate; }
    float MouseTiltRate() const { return FMouseTiltRate; }
    /// One tick of the rotation timer.
    void TimerMouseActTimer();

    /// The slider that edits property (by property or object name); null if none.
    QSlider* Slider(std::string_view property) const;
    /// The value label beside that slider; null if it has none.
    QLabel* ValueLabel(std::string_view property) const;

    // Components other windows reach directly.
    QTabWidget* PageControl1 = nullptr;
    QWidget* PageUniverse = nullptr;
    QWidget* PageProcessing = nullptr;
    QWidget* PageView = nullptr;
    QSlider* TrackBarNumber = nullptr;
    QSlider* TrackBarMass = nullptr;
    QSlider* TrackBarGlobular2 = nullptr;
    QSlider* TrackBarSeparation = nullptr;
    QSlider* TrackBarSpace = nullptr;
    QSlider* TrackBarVelocity = nullptr;
    QSlider* TrackBarDistribution = nullptr;
    QSlider* TrackBarRedoFrequency = nullptr;
    QSlider* TrackBarMatrixResolution = nullptr;
    QSlider* TrackBarLocalitySize = nullptr;
    QSlider* TrackBarOpening = nullptr;
    QSlider* TrackBarPressure = nullptr;
    QSlider* TrackBarFriction = nullptr;
    QSlider* TrackBarRadiation = nullptr;
    QSlider* TrackBarPartSize = nullptr;
    QSlider* TrackBarContrast = nullptr;
    QSlider* TrackBarMaxSep = nullptr;
    QComboBox* ComboBoxFormation = nullptr;
    QComboBox* ComboBoxSpeed = nullptr;
    QComboBox* ComboBoxGravity = nullptr;
    QCheckBox* CheckUseThermo = nullptr;
    QCheckBox* CheckBoxShowLuminance = nullptr;
    QCheckBox* CheckBoxUseLines = nullptr;
    QCheckBox* CheckBoxAutoApply = nullptr;
    QListWidget* ListBoxShowAs = nullptr;
    QPushButton* BtnUniverseApply = nullptr;
    QLabel* LabelIterationCount = nullptr;
    QLabel* LabelOptimisation = nullptr;
    QTimer* TimerMouseAct = nullptr;
    QGroupBox* GroupRotation = nullptr;
    QPushButton* Button2 = nullptr; // left
    QPushButton* Button5 = nullptr; // right
    QPushButton* Button6 = nullptr; // up
    QPushButton* Button7 = nullptr; // down
    QFrame* PanelMouseRot = nullptr;
    QPushButton* Button8 = nullptr; // Reset
    QLineEdit* EditRotX = nullptr;
    QLineEdit* EditRotY = nullptr;
    QPushButton* BtnFOVWider = nullptr;
    QPushButton* Button1 = nullptr;
    QGroupBox* CamPos = nullptr;

signals:
    void FiguresChanged();

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Event handlers, named after their controls.
    void FormCreate();
    void FormShow();
    void TrackBarNumberChange();
    void TrackBarMassChange();
    void TrackBarGlobular2Change();
    void TrackBarSeparationChange();
    void TrackBarSpaceChange();
    void TrackBarVelocityChange();
    void TrackBarDistributionChange();
    void TrackBarRedoFrequencyChange();
    void TrackBarMatrixResolutionChange();
    void TrackBarLocalitySizeChange();
    void TrackBarOpeningChange();
    void ComboBoxGravityChange();
    void TrackBarFrictionChange();
    void TrackBarPressureChange();
    void TrackBarRadiationChange();
    void TrackBarPartSizeChange();
    void TrackBarContrastChange();
    void TrackBarMaxSepChange();
    void CheckUseThermoClick();
    void CheckBoxShowLuminanceClick();
    void CheckBoxUseLinesClick();
    void CheckBoxAutoApplyClick();
    void ComboBoxFormationChange();
    void ListBoxShowAsClick();
    void BtnUniverseApplyClick();
    void Button2MouseDown();
    void Button2MouseUp();
    void Button5MouseDown();
    void Button5MouseUp();
    void Button6MouseDown();
    void Button6MouseUp();
    void Button7MouseDown();
    void Button7MouseUp();
    void PanelMouseRotMouseDown(int x, int y);
    void PanelMouseRotMouseMove(int x, int y);
    void PanelMouseRotMouseUp();
    void Button8Click();
    void UpdateMouseRates(int dx, int dy);
    void StartRotation(TRotateAction action);
    void StopRotation();

    // Building the window (OptionsPages.cpp).
    void BuildWindow();
    QWidget* BuildUniversePage();
    QWidget* BuildProcessingPage();
    QWidget* BuildViewPage();
    QSlider* AddSliderRow(QGridLayout* grid, int row, std::string_view property);
    /// The pop-up tip and status-line text of a hint, split at its first "|".
    static void ApplyHint(QWidget* widget, std::string_view hint);
    void BindControls();
    void BuildRotationControls(QWidget* page);
    void BuildCameraPosition(QWidget* page);

    const TSettings& Current() const { return FModel->Settings(); }
    // The equality test every writer starts with, after holding an integer to its
    // control's range: true when the value was new and is stored.
    bool Store(std::int32_t TSettings::*field, int& value);
    bool Store(bool TSettings::*field, bool value);
    void ShowValueLabel(std::int32_t TSettings::*field);
    /// Greys, with their hints, the settings the chosen gravity method does not use.
    void ShowGravityMethod();
    /// The formation list's text, as the formation a build takes.
    void FormationShown();
    TMDIChild* ActiveView() const;

    /// Hands a view setting on to the active view, unless the window is only showing that
    /// view's own settings (ViewActivated blocks its signals meanwhile).
    template <class T> void PassOn(void (TMDIChild::*set)(T), T value);

    TPropertiesHost* Host;
    TSettingsModel* FModel;
    std::array<QSlider*, SettingsTable::SliderCount> Sliders{};
    std::array<QLabel*, SettingsTable::SliderCount> ValueLabels{};

    // The running figures, which are not settings.
    float FOptimisation = 0;
    std::int32_t FIterationCount = 0;
    TRotateAction FRotateAction = raNone;
    float FMouseTurnRate = 0;
    float FMouseTiltRate = 0;
};
