#include "settings/SettingsTable.h"

#include "settings/SettingsLabels.h"
#include "universe/SettingsFormulas.h"
#include "universe/Universe.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

namespace SettingsTable {

namespace {

constexpr std::string_view HintNumber = "|<--- less particles / more particles --->";
constexpr std::string_view HintMass = "|<--- less mass / more mass --->";
constexpr std::string_view HintSections =
    "<--- Large sections (precise) / Small sections (approximate) --->|Processing is more "
    "precise when using large sections.";
constexpr std::string_view HintSpace = "|<--- tight universe / expansive universe --->";
constexpr std::string_view HintVelocity = "|<--- slower / faster --->";
constexpr std::string_view HintDistribution = "|<--- less at centre / more at centre --->";
constexpr std::string_view HintEffect = "|<--- less effect / more effect --->";
constexpr std::string_view HintRedo =
    "How often the distant objects are processed (1=No Optimisation)";
constexpr std::string_view HintOpening =
    "Smaller is more exact, larger is faster|<--- exact pull, slower / approximate pull, "
    "faster --->";

// The start values of the settings a build takes are the engine's default universe.
constexpr TUniverseSettings Start{};

using K = TLabelKind;
using S = TSettings;
using U = TUniverse;

// The tree's opening angle moves in steps of 0.05: its slider counts twentieths.
constexpr std::int32_t OpeningSteps = 20;
constexpr auto StartOpening =
    static_cast<std::int32_t>(U::DefaultOpeningAngle * OpeningSteps + 0.5);
static_assert(StartOpening == 13);

template <std::int32_t U::*Field> void SetInteger(U& u, std::int32_t value) {
    u.*Field = value;
}
template <std::int32_t U::*Field> bool HoldsInteger(const U& u, std::int32_t value) {
    return u.*Field == value;
}
template <std::int32_t U::*Field> std::int32_t IntegerPosition(const U& u) {
    return u.*Field;
}
template <std::int32_t U::*Field>
constexpr TEngineField Integer{&SetInteger<Field>, &HoldsInteger<Field>, &IntegerPosition<Field>};

void SetMethod(U& u, std::int32_t value) {
    u.SetGravityMethod(static_cast<TGravityMethod>(value));
}
bool HoldsMethod(const U& u, std::int32_t value) {
    return static_cast<std::int32_t>(u.GravityMethod) == value;
}
std::int32_t MethodPosition(const U& u) {
    return static_cast<std::int32_t>(u.GravityMethod);
}
constexpr TEngineField Method{&SetMethod, &HoldsMethod, &MethodPosition};

void SetOpening(U& u, std::int32_t value) {
    u.SetOpeningAngle(OpeningAngle(value));
}
bool HoldsOpening(const U& u, std::int32_t value) {
    // Exact: the angle a file keeps must be the one its slider position gives, bit for bit,
    // or a replay from it would step differently.
    return u.OpeningAngle == OpeningAngle(value);
}
std::int32_t OpeningPosition(const U& u) {
    const double steps = u.OpeningAngle * OpeningSteps;
    if (!(steps > std::numeric_limits<std::int32_t>::min() &&
          steps < std::numeric_limits<std::int32_t>::max()))
        return std::numeric_limits<std::int32_t>::min();
    const auto position = static_cast<std::int32_t>(std::lround(steps));
    return HoldsOpening(u, position) ? position : std::numeric_limits<std::int32_t>::min();
}
constexpr TEngineField Opening{&SetOpening, &HoldsOpening, &OpeningPosition};

constexpr TSettingRow Slider(std::string_view property, std::int32_t S::*field, std::int32_t min,
                             std::int32_t max, std::int32_t start, TEngineField engine,
                             std::string_view name, std::string_view caption, bool focuses,
                             std::int32_t design, std::int32_t page, std::int32_t ticks,
                             std::string_view hint, std::string_view labelName,
                             std::string_view labelText, TLabelKind label) {
    return {property, field,   nullptr, min,  max,   start, true,      false,     engine, name,
            caption,  focuses, design,  page, ticks, hint,  labelName, labelText, label};
}

constexpr TSettingRow CheckBox(std::string_view property, bool S::*field, bool start) {
    return {property, nullptr, field, 0,  1,  start ? 1 : 0, true, false, {}, {}, {}, false, 0,
            0,        0,       {},    {}, {}, K::None};
}

// A setting chosen from a list of two, shown on a combo box.
constexpr TSettingRow Choice(std::string_view property, std::int32_t S::*field, std::int32_t start,
                             bool kept, TEngineField engine) {
    return {property, field, nullptr, 0, 1, start, kept, false, engine, {},
            {},       false, 0,       0, 0, {},    {},   {},    K::None};
}

constexpr TSettingRow Added(TSettingRow row) {
    row.Added = true;
    return row;
}

// clang-format off
constexpr std::array<TSettingRow, 24> Rows{{
    // Universe page
    Slider("Number", &S::Number, 0, 220, Start.Number, {}, "TrackBarNumber", "&Particles", true, 25, 250, 1000, HintNumber, "LabelNumber", "", K::ParticleCount),
    Slider("Mass", &S::Mass, 1, 100, Start.Mass, {}, "TrackBarMass", "&Mass", true, 50, 2, 10, HintMass, "LabelMass", "", K::MassHalfCube),
    Slider("Globular", &S::Globular, 0, 100, Start.Globular, {}, "TrackBarGlobular2", "&Globular", false, 99, 2, 100, HintSections, "", "", K::None),
    Slider("Separation", &S::Separation, 0, 500, Start.Separation, {}, "TrackBarSeparation", "S&eparation", false, 120, 25, 100, HintSections, "LabelSeparation", "", K::Decimal),
    Slider("Space", &S::Space, 1, 100, Start.Space, {}, "TrackBarSpace", "&Space", true, 50, 2, 10, HintSpace, "LabelSpace", "", K::SpaceCube),
    Slider("Velocity", &S::Velocity, 0, 200, Start.Velocity, {}, "TrackBarVelocity", "&Velocity", true, 100, 2, 50, HintVelocity, "LabelVelocity", "", K::VelocityCube),
    Slider("Distribution", &S::Distribution, 1, 200, Start.Distribution, {}, "TrackBarDistribution", "&Distribution", true, 85, 2, 100, HintDistribution, "LabelDistribution", "", K::Offset100),
    // Processing page
    Slider("RedoFrequency", &S::RedoFrequency, 1, 100, Start.RedoFrequency, Integer<&U::RedoFrequency>, "TrackBarRedoFrequency", "Process All Every", false, 30, 2, 20, HintRedo, "LabelRedoFrequency", "", K::Decimal),
    Slider("MatrixResolution", &S::MatrixResolution, 10, 300, Start.MatrixResolution, Integer<&U::MatrixResolution>, "TrackBarMatrixResolution", "Matrix Resolution", false, 10, 2, 0, "Matrix Resolution", "LabelMatrixResolution", "", K::Decimal),
    Slider("LocalitySize", &S::LocalitySize, 0, 50, Start.LocalitySize, Integer<&U::LocalitySize>, "TrackBarLocalitySize", "Locality Size", false, 5, 2, 10, "Locality Size", "LabelLocalitySize", "", K::Decimal),
    Slider("Pressure", &S::Pressure, 1, 100, Start.Pressure, {}, "TrackBarPressure", "Pressure", false, 5, 2, 20, HintEffect, "LabelPressure", "", K::Decimal),
    Slider("FrictionEffect", &S::FrictionEffect, 1, 100, Start.Friction, {}, "TrackBarFriction", "Friction", false, 5, 2, 20, HintEffect, "LabelFriction", "", K::Decimal),
    Slider("Radiation", &S::Radiation, 1, 100, Start.Radiation, {}, "TrackBarRadiation", "Capacity", false, 5, 2, 20, HintEffect, "LabelRadiation", "", K::Decimal),
    Added(Slider("OpeningAngle", &S::OpeningAngle, 4, OpeningSteps, StartOpening, Opening, "TrackBarOpening", "Tree Opening Angle", false, StartOpening, 2, 2, HintOpening, "LabelOpening", "", K::Twentieths)),
    // View page; Size and Contrast start as the slider shows them, until a view reports
    Slider("PartSize", &S::PartSize, 1, 100, 50, {}, "TrackBarPartSize", "Size", false, 50, 2, 10, HintSpace, "LabelPartSize", "###", K::Decimal),
    Slider("Contrast", &S::Contrast, 1, 512, 200, {}, "TrackBarContrast", "Contrast", false, 200, 32, 128, HintSpace, "", "", K::None),
    Slider("MaxSeparation", &S::MaxSeparation, 0, 60, Start.MaxSeparation, Integer<&U::MaxSeparation>, "TrackBarMaxSep", "Max &Sep'n", false, 5, 20, 15, HintSpace, "", "", K::None),
    // Check boxes, the gravity method and the formation
    CheckBox("UseThermoCalc", &S::UseThermoCalc, Start.UseThermodynamics),
    CheckBox("ShowLuminance", &S::ShowLuminance, false),
    CheckBox("UseLines", &S::UseLines, false),
    CheckBox("AutoApply", &S::AutoApply, true),
    Added(Choice("GravityMethod", &S::GravityMethod, gmPairs, true, Method)),
    Choice("StartFormation", &S::StartFormation, 0, true, {}),
    // What the list shows is not kept: a file opened sets the list only by StartFormation.
    Choice("Formation", &S::Formation, Start.Formation, false, {}),
}};
// clang-format on

static_assert(std::all_of(Rows.begin(), Rows.begin() + SliderCount,
                          [](const TSettingRow& row) { return row.IsSlider(); }));
static_assert(std::none_of(Rows.begin() + SliderCount, Rows.end(),
                           [](const TSettingRow& row) { return row.IsSlider(); }));

} // namespace

std::span<const TSettingRow> All() {
    return Rows;
}

std::span<const TSettingRow> Sliders() {
    return std::span(Rows).first(SliderCount);
}

const TSettingRow* Find(std::string_view key) {
    for (const TSettingRow& row : Rows)
        if (row.Property == key || (row.IsSlider() && row.Name == key))
            return &row;
    return nullptr;
}

const TSettingRow* Find(std::int32_t TSettings::*field) {
    for (const TSettingRow& row : Rows)
        if (row.Integer == field)
            return &row;
    return nullptr;
}

const TSettingRow* Find(bool TSettings::*field) {
    for (const TSettingRow& row : Rows)
        if (row.Flag == field)
            return &row;
    return nullptr;
}

std::int32_t Clamp(std::string_view key, std::int32_t value) {
    const TSettingRow* row = Find(key);
    return row ? std::clamp(value, row->Min, row->Max) : value;
}

std::int32_t Value(const TSettings& settings, const TSettingRow& row) {
    return row.Flag ? (settings.*row.Flag ? 1 : 0) : settings.*row.Integer;
}

void SetValue(TSettings& settings, const TSettingRow& row, std::int32_t value) {
    if (row.Flag)
        settings.*row.Flag = value != 0;
    else
        settings.*row.Integer = value;
}

double OpeningAngle(std::int32_t position) {
    return static_cast<double>(position) / OpeningSteps;
}

TSettings Defaults() {
    TSettings settings;
    for (const TSettingRow& row : Rows)
        SetValue(settings, row, row.Default);
    return settings;
}

std::string LabelText(TLabelKind kind, std::int32_t position) {
    switch (kind) {
    case TLabelKind::None:
        return {};
    case TLabelKind::Decimal:
        return SettingsLabels::DecimalText(position);
    case TLabelKind::ParticleCount:
        return SettingsLabels::NumberLabel(position);
    case TLabelKind::MassHalfCube:
        return SettingsLabels::MassLabel(position);
    case TLabelKind::SpaceCube:
        return SettingsLabels::SpaceLabel(position);
    case TLabelKind::VelocityCube:
        return SettingsLabels::VelocityLabel(position);
    case TLabelKind::Offset100:
        return SettingsLabels::DistributionLabel(position);
    case TLabelKind::Twentieths:
        return SettingsLabels::TwentiethsLabel(position);
    }
    return {};
}

} // namespace SettingsTable
