#include "Options/SliderTable.h"

#include "Options/SettingsLabels.h"

#include <algorithm>
#include <array>

namespace SliderTable {

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

using K = TLabelKind;

// clang-format off
constexpr std::array<TSliderRow, 16> Rows{{
    // Universe page
    {"Number", "TrackBarNumber", "&Particles", true, 0, 220, 25, 250, 1000, HintNumber, "LabelNumber", "", K::ParticleCount},
    {"Mass", "TrackBarMass", "&Mass", true, 1, 100, 50, 2, 10, HintMass, "LabelMass", "", K::MassHalfCube},
    {"Globular", "TrackBarGlobular2", "&Globular", false, 0, 100, 99, 2, 100, HintSections, "", "", K::None},
    {"Separation", "TrackBarSeparation", "S&eparation", false, 0, 500, 120, 25, 100, HintSections, "LabelSeparation", "", K::Decimal},
    {"Space", "TrackBarSpace", "&Space", true, 1, 100, 50, 2, 10, HintSpace, "LabelSpace", "", K::SpaceCube},
    {"Velocity", "TrackBarVelocity", "&Velocity", true, 0, 200, 100, 2, 50, HintVelocity, "LabelVelocity", "", K::VelocityCube},
    {"Distribution", "TrackBarDistribution", "&Distribution", true, 1, 200, 85, 2, 100, HintDistribution, "LabelDistribution", "", K::Offset100},
    // Processing page
    {"RedoFrequency", "TrackBarRedoFrequency", "Process All Every", false, 1, 100, 30, 2, 20, HintRedo, "LabelRedoFrequency", "", K::Decimal},
    {"MatrixResolution", "TrackBarMatrixResolution", "Matrix Resolution", false, 10, 300, 10, 2, 0, "Matrix Resolution", "LabelMatrixResolution", "", K::Decimal},
    {"LocalitySize", "TrackBarLocalitySize", "Locality Size", false, 0, 50, 5, 2, 10, "Locality Size", "LabelLocalitySize", "", K::Decimal},
    {"Pressure", "TrackBarPressure", "Pressure", false, 1, 100, 5, 2, 20, HintEffect, "LabelPressure", "", K::Decimal},
    {"FrictionEffect", "TrackBarFriction", "Friction", false, 1, 100, 5, 2, 20, HintEffect, "LabelFriction", "", K::Decimal},
    {"Radiation", "TrackBarRadiation", "Capacity", false, 1, 100, 5, 2, 20, HintEffect, "LabelRadiation", "", K::Decimal},
    // View page
    {"PartSize", "TrackBarPartSize", "Size", false, 1, 100, 50, 2, 10, HintSpace, "LabelPartSize", "###", K::Decimal},
    {"Contrast", "TrackBarContrast", "Contrast", false, 1, 512, 200, 32, 128, HintSpace, "", "", K::None},
    {"MaxSeparation", "TrackBarMaxSep", "Max &Sep'n", false, 0, 60, 5, 20, 15, HintSpace, "", "", K::None},
}};
// clang-format on

} // namespace

std::span<const TSliderRow> All() {
    return Rows;
}

const TSliderRow* Find(std::string_view key) {
    for (const auto& entry : Rows)
        if (entry.Property == key || entry.Name == key)
            return &entry;
    return nullptr;
}

std::int32_t Clamp(std::string_view key, std::int32_t value) {
    const TSliderRow* row = Find(key);
    return row ? std::clamp(value, row->Min, row->Max) : value;
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
    }
    return {};
}

} // namespace SliderTable
