// Building the properties window: pages, groups and controls, and binding their change
// notifications to the window's handlers.
#include "Options/Options.h"

#include "Options/PropertiesHost.h"
#include "settings/SettingsLabels.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QSlider>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace {

constexpr int WindowWidth = 264;
constexpr int WindowHeight = 357;
// The View page's settings column keeps to the page's designed width when the window widens.
constexpr int ViewColumnWidth = 238;

QString ToQString(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// A caption whose "&" underlines its key. Tied captions move the focus to their buddy; the
// others only show the underline, so their keys stay free for the tied ones ("&Space" and
// "Max &Sep'n" share S).
QLabel* MakeCaption(std::string_view caption, QWidget* buddy, QWidget* parent) {
    const QString text = ToQString(caption);
    if (buddy) {
        auto* label = new QLabel(text, parent);
        label->setBuddy(buddy);
        return label;
    }
    QString html;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'&' && i + 1 < text.size()) {
            html += QStringLiteral("<u>") + QString(text[i + 1]).toHtmlEscaped() +
                    QStringLiteral("</u>");
            ++i;
        } else {
            html += QString(text[i]).toHtmlEscaped();
        }
    }
    auto* label = new QLabel(parent);
    label->setTextFormat(Qt::RichText);
    label->setText(html);
    return label;
}

QGroupBox* MakeGroup(const char* title, QWidget* parent, QGridLayout*& grid) {
    auto* group = new QGroupBox(QString::fromLatin1(title), parent);
    grid = new QGridLayout(group);
    grid->setContentsMargins(6, 4, 6, 4);
    grid->setHorizontalSpacing(4);
    grid->setVerticalSpacing(0);
    grid->setColumnStretch(1, 1);
    return group;
}

QLabel* MakeFigure(const char* name, const char* designText, QWidget* parent) {
    auto* label = new QLabel(QString::fromLatin1(designText), parent);
    label->setObjectName(QString::fromLatin1(name));
    return label;
}

} // namespace

void TPropertiesDlg::ApplyHint(QWidget* widget, std::string_view hint) {
    const auto parts = SettingsLabels::SplitHint(hint);
    widget->setToolTip(ToQString(parts.Short));
    widget->setStatusTip(ToQString(parts.Long));
}

void TPropertiesDlg::BuildWindow() {
    setObjectName(QStringLiteral("PropertiesDlg"));
    setWindowTitle(QStringLiteral("Astrivo Properties"));
    setSizeGripEnabled(false);
    QFont windowFont(QStringLiteral("Arial"));
    windowFont.setPixelSize(11);
    setFont(windowFont);

    // Before the pages: the rotation controls bind to it.
    TimerMouseAct = new QTimer(this);
    TimerMouseAct->setObjectName(QStringLiteral("TimerMouseAct"));
    TimerMouseAct->setInterval(30);
    TimerMouseAct->setTimerType(Qt::PreciseTimer);

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    auto* panel = new QWidget(this);
    panel->setObjectName(QStringLiteral("Panel1"));
    outer->addWidget(panel);
    auto* column = new QVBoxLayout(panel);
    column->setContentsMargins(5, 5, 5, 5);

    PageControl1 = new QTabWidget(panel);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    PageUniverse = BuildUniversePage();
    PageProcessing = BuildProcessingPage();
    PageView = BuildViewPage();
    PageControl1->addTab(PageUniverse, QStringLiteral("Universe"));
    PageControl1->addTab(PageProcessing, QStringLiteral("Processing"));
    PageControl1->addTab(PageView, QStringLiteral("View"));
    PageControl1->setCurrentWidget(PageView);
    column->addWidget(PageControl1, 1);

    auto* bottom = new QGridLayout;
    CheckBoxAutoApply = new QCheckBox(QStringLiteral("Auto Apply"), panel);
    CheckBoxAutoApply->setObjectName(QStringLiteral("CheckBoxAutoApply"));
    BtnUniverseApply = new QPushButton(QStringLiteral("&Apply All"), panel);
    BtnUniverseApply->setObjectName(QStringLiteral("BtnUniverseApply"));
    BtnUniverseApply->setDefault(true);
    bottom->addWidget(CheckBoxAutoApply, 0, 0, Qt::AlignLeft);
    bottom->addWidget(BtnUniverseApply, 0, 0, Qt::AlignHCenter);
    column->addLayout(bottom);

    resize(WindowWidth, WindowHeight);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - QPoint(WindowWidth / 2, WindowHeight / 2));
    }
}

QSlider* TPropertiesDlg::AddSliderRow(QGridLayout* grid, int row, std::string_view property) {
    const TSettingRow* entry = SettingsTable::Find(property);
    const auto index = static_cast<std::size_t>(entry - SettingsTable::All().data());
    QWidget* parent = grid->parentWidget();

    auto* slider = new QSlider(Qt::Horizontal, parent);
    slider->setObjectName(ToQString(entry->Name));
    slider->setRange(entry->Min, entry->Max);
    slider->setValue(entry->Design);
    slider->setPageStep(entry->PageSize);
    slider->setTickInterval(entry->TickSpacing);
    slider->setTickPosition(QSlider::TicksAbove);
    ApplyHint(slider, entry->Hint);
    Sliders[index] = slider;

    grid->addWidget(
        MakeCaption(entry->Caption, entry->CaptionFocusesSlider ? slider : nullptr, parent), row,
        0);
    grid->addWidget(slider, row, 1);
    if (!entry->LabelName.empty()) {
        auto* label = new QLabel(ToQString(entry->LabelDesignText), parent);
        label->setObjectName(ToQString(entry->LabelName));
        label->setMinimumWidth(label->fontMetrics().horizontalAdvance(QStringLiteral("000000")));
        ValueLabels[index] = label;
        grid->addWidget(label, row, 2);
    }
    return slider;
}

QWidget* TPropertiesDlg::BuildUniversePage() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("PageUniverse"));
    auto* column = new QVBoxLayout(page);
    column->setContentsMargins(4, 4, 4, 4);

    QGridLayout* grid = nullptr;
    QGroupBox* universal = MakeGroup("  Universal Options  ", page, grid);
    TrackBarNumber = AddSliderRow(grid, 0, "Number");
    TrackBarMass = AddSliderRow(grid, 1, "Mass");
    ComboBoxFormation = new QComboBox(universal);
    ComboBoxFormation->setObjectName(QStringLiteral("ComboBoxFormation"));
    ComboBoxFormation->addItems(
        {QStringLiteral("Globular (sphere)"), QStringLiteral("Collision of two")});
    ComboBoxFormation->setCurrentIndex(1);
    grid->addWidget(MakeCaption("&Formation", nullptr, universal), 2, 0);
    grid->addWidget(ComboBoxFormation, 2, 1, 1, 2);
    column->addWidget(universal);

    QGroupBox* formation = MakeGroup("  Formation Options  ", page, grid);
    TrackBarGlobular2 = AddSliderRow(grid, 0, "Globular");
    grid->addWidget(new QLabel(QStringLiteral("Flat"), formation), 0, 2);
    TrackBarSeparation = AddSliderRow(grid, 1, "Separation");
    TrackBarSpace = AddSliderRow(grid, 2, "Space");
    TrackBarVelocity = AddSliderRow(grid, 3, "Velocity");
    TrackBarDistribution = AddSliderRow(grid, 4, "Distribution");
    column->addWidget(formation);
    column->addStretch(1);
    return page;
}

QWidget* TPropertiesDlg::BuildProcessingPage() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("PageProcessing"));
    auto* column = new QVBoxLayout(page);
    column->setContentsMargins(4, 4, 4, 4);

    QGridLayout* grid = nullptr;
    QGroupBox* gravity = MakeGroup(" Gravity ", page, grid);
    ComboBoxGravity = new QComboBox(gravity);
    ComboBoxGravity->setObjectName(QStringLiteral("ComboBoxGravity"));
    // In the order of TGravityMethod: the row is the method.
    ComboBoxGravity->addItems(
        {QStringLiteral("Pairs (near and far)"), QStringLiteral("Tree (fast, approximate)")});
    // Sized by its longest entry the list would widen every page past the View page's
    // rotation controls, leaving a cut-off sliver of them in sight.
    ComboBoxGravity->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    ComboBoxGravity->setMinimumContentsLength(12);
    ApplyHint(ComboBoxGravity,
              "How gravity is worked out|Pairs: every pair, the distant ones on every full "
              "step; Tree: distant groups pull as a whole, far faster for large universes");
    grid->addWidget(MakeCaption("Method", nullptr, gravity), 0, 0);
    grid->addWidget(ComboBoxGravity, 0, 1, 1, 2);
    TrackBarOpening = AddSliderRow(grid, 1, "OpeningAngle");
    column->addWidget(gravity);

    QGroupBox* optimisation = MakeGroup(" Optimisation ", page, grid);
    LabelIterationCount = MakeFigure("LabelIterationCount", "0000000000", optimisation);
    LabelOptimisation = MakeFigure("LabelOptimisation", "00.00%", optimisation);
    grid->addWidget(new QLabel(QStringLiteral("Iterations: "), optimisation), 0, 0);
    grid->addWidget(LabelIterationCount, 0, 1, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("Optimisation: "), optimisation), 1, 0);
    grid->addWidget(LabelOptimisation, 1, 1, 1, 2);
    TrackBarRedoFrequency = AddSliderRow(grid, 2, "RedoFrequency");
    TrackBarMatrixResolution = AddSliderRow(grid, 3, "MatrixResolution");
    TrackBarLocalitySize = AddSliderRow(grid, 4, "LocalitySize");
    column->addWidget(optimisation);

    QGroupBox* thermo = MakeGroup(" Thermodynamics  ", page, grid);
    CheckUseThermo = new QCheckBox(QStringLiteral("Use Thermodynamic Interaction"), thermo);
    CheckUseThermo->setObjectName(QStringLiteral("CheckUseThermo"));
    grid->addWidget(CheckUseThermo, 0, 0, 1, 3);
    TrackBarPressure = AddSliderRow(grid, 1, "Pressure");
    TrackBarFriction = AddSliderRow(grid, 2, "FrictionEffect");
    TrackBarRadiation = AddSliderRow(grid, 3, "Radiation");
    column->addWidget(thermo);

    auto* speedRow = new QHBoxLayout;
    ComboBoxSpeed = new QComboBox(page);
    ComboBoxSpeed->setObjectName(QStringLiteral("ComboBoxSpeed"));
    ComboBoxSpeed->addItems({QStringLiteral("As fast as possible"), QStringLiteral("1,000 steps/s"),
                             QStringLiteral("100 steps/s"), QStringLiteral("30 steps/s"),
                             QStringLiteral("10 steps/s"), QStringLiteral("1 step/s")});
    ApplyHint(ComboBoxSpeed, "Steps per second|How many steps processing takes each second at "
                             "most; fewer leave the machine to other work");
    auto* speedCaption = new QLabel(QStringLiteral("Speed: "), page);
    speedRow->addWidget(speedCaption);
    speedRow->addWidget(ComboBoxSpeed, 1);
    column->addLayout(speedRow);
    column->addStretch(1);
    return page;
}

QWidget* TPropertiesDlg::BuildViewPage() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("PageView"));
    auto* row = new QHBoxLayout(page);
    row->setContentsMargins(4, 4, 4, 4);
    // The view settings keep to the window's designed width; the rotation controls sit to
    // their right, beyond it, and come into sight when the window is widened.
    auto* left = new QWidget(page);
    auto* column = new QVBoxLayout(left);
    column->setContentsMargins(0, 0, 0, 0);
    left->setMaximumWidth(ViewColumnWidth);
    row->addWidget(left, 1);
    row->addStretch(0);

    QGridLayout* grid = nullptr;
    QGroupBox* method = MakeGroup(" Method ", left, grid);
    ListBoxShowAs = new QListWidget(method);
    ListBoxShowAs->setObjectName(QStringLiteral("ListBoxShowAs"));
    ListBoxShowAs->addItems({QStringLiteral("Monocular"), QStringLiteral("(AutoStereo)*"),
                             QStringLiteral("(ChromoStereo)*")});
    ListBoxShowAs->setFixedHeight(ListBoxShowAs->sizeHintForRow(0) +
                                  2 * ListBoxShowAs->frameWidth());
    grid->addWidget(new QLabel(QStringLiteral("Show As"), method), 0, 0);
    grid->addWidget(ListBoxShowAs, 0, 1, 1, 2);
    column->addWidget(method);

    QGroupBox* particles = MakeGroup(" Particles ", left, grid);
    TrackBarPartSize = AddSliderRow(grid, 0, "PartSize");
    TrackBarContrast = AddSliderRow(grid, 1, "Contrast");
    CheckBoxShowLuminance = new QCheckBox(QStringLiteral("Show Luminance (radiation)"), particles);
    CheckBoxShowLuminance->setObjectName(QStringLiteral("CheckBoxShowLuminance"));
    grid->addWidget(CheckBoxShowLuminance, 2, 0, 1, 3);
    column->addWidget(particles);

    QGroupBox* lines = MakeGroup(" Connecting Lines", left, grid);
    CheckBoxUseLines = new QCheckBox(QStringLiteral("Display Lines"), lines);
    CheckBoxUseLines->setObjectName(QStringLiteral("CheckBoxUseLines"));
    grid->addWidget(CheckBoxUseLines, 0, 0, 1, 3);
    TrackBarMaxSep = AddSliderRow(grid, 1, "MaxSeparation");
    column->addWidget(lines);
    column->addStretch(1);

    BuildCameraPosition(page);
    BuildRotationControls(page);
    return page;
}

void TPropertiesDlg::BindControls() {
    const std::pair<QSlider*, void (TPropertiesDlg::*)()> sliders[] = {
        {TrackBarNumber, &TPropertiesDlg::TrackBarNumberChange},
        {TrackBarMass, &TPropertiesDlg::TrackBarMassChange},
        {TrackBarGlobular2, &TPropertiesDlg::TrackBarGlobular2Change},
        {TrackBarSeparation, &TPropertiesDlg::TrackBarSeparationChange},
        {TrackBarSpace, &TPropertiesDlg::TrackBarSpaceChange},
        {TrackBarVelocity, &TPropertiesDlg::TrackBarVelocityChange},
        {TrackBarDistribution, &TPropertiesDlg::TrackBarDistributionChange},
        {TrackBarRedoFrequency, &TPropertiesDlg::TrackBarRedoFrequencyChange},
        {TrackBarMatrixResolution, &TPropertiesDlg::TrackBarMatrixResolutionChange},
        {TrackBarLocalitySize, &TPropertiesDlg::TrackBarLocalitySizeChange},
        {TrackBarOpening, &TPropertiesDlg::TrackBarOpeningChange},
        {TrackBarFriction, &TPropertiesDlg::TrackBarFrictionChange},
        {TrackBarPressure, &TPropertiesDlg::TrackBarPressureChange},
        {TrackBarRadiation, &TPropertiesDlg::TrackBarRadiationChange},
        {TrackBarPartSize, &TPropertiesDlg::TrackBarPartSizeChange},
        {TrackBarContrast, &TPropertiesDlg::TrackBarContrastChange},
        {TrackBarMaxSep, &TPropertiesDlg::TrackBarMaxSepChange},
    };
    // valueChanged comes for the user's moves and for positions set from code alike, but
    // only on a real change: exactly the echo the writers are built to stop.
    for (const auto& [slider, handler] : sliders)
        connect(slider, &QSlider::valueChanged, this, handler);

    connect(CheckUseThermo, &QCheckBox::toggled, this, &TPropertiesDlg::CheckUseThermoClick);
    connect(CheckBoxShowLuminance, &QCheckBox::toggled, this,
            &TPropertiesDlg::CheckBoxShowLuminanceClick);
    connect(CheckBoxUseLines, &QCheckBox::toggled, this, &TPropertiesDlg::CheckBoxUseLinesClick);
    connect(CheckBoxAutoApply, &QCheckBox::toggled, this, &TPropertiesDlg::CheckBoxAutoApplyClick);
    // Only the user's choice of a formation counts; setting the text from code does not.
    // A build takes whatever the list shows, however it came to show it.
    connect(ComboBoxFormation, &QComboBox::activated, this,
            &TPropertiesDlg::ComboBoxFormationChange);
    connect(ComboBoxFormation, &QComboBox::currentTextChanged, this,
            &TPropertiesDlg::FormationShown);
    // The user picks a display method with the mouse or, with the list focused, the keys; a
    // row selected from code (a view reporting its own method) must not act.
    connect(ListBoxShowAs, &QListWidget::itemClicked, this, &TPropertiesDlg::ListBoxShowAsClick);
    connect(ListBoxShowAs, &QListWidget::currentRowChanged, this, [this] {
        if (ListBoxShowAs->hasFocus())
            ListBoxShowAsClick();
    });
    // Like a slider's: the user's choice and a choice from code both write the property.
    connect(ComboBoxGravity, &QComboBox::currentIndexChanged, this,
            &TPropertiesDlg::ComboBoxGravityChange);
    connect(BtnUniverseApply, &QPushButton::clicked, this, &TPropertiesDlg::BtnUniverseApplyClick);
    connect(ComboBoxSpeed, &QComboBox::currentIndexChanged, this, [this] {
        if (Host)
            Host->SetStepsPerSecond(StepsPerSecond());
    });
}
