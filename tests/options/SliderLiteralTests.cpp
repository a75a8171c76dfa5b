// The sliders of the built window, each written out by hand: range, position after the
// window's creation, page size, tick spacing, and the two parts of its hint.
#include "PropertiesTestSupport.h"

#include <string>

namespace {

struct TExpectedSlider {
    const char* Name;
    int Min, Max, Position, PageSize, TickSpacing;
    const char* ToolTip;
    const char* StatusTip;
};

constexpr const char* Tight = "<--- tight universe / expansive universe --->";
constexpr const char* Effect = "<--- less effect / more effect --->";
constexpr const char* SectionsTip =
    "<--- Large sections (precise) / Small sections (approximate) --->";
constexpr const char* SectionsLong = "Processing is more precise when using large sections.";
constexpr const char* Redo = "How often the distant objects are processed (1=No Optimisation)";

// Positions: the creation handler's values; Size and Contrast keep their design positions
// 50 and 200, and Max Sep'n its 5, until a view reports its own.
constexpr TExpectedSlider Expected[] = {
    {"TrackBarNumber", 0, 220, 40, 250, 1000, "", "<--- less particles / more particles --->"},
    {"TrackBarMass", 1, 100, 53, 2, 10, "", "<--- less mass / more mass --->"},
    {"TrackBarGlobular2", 0, 100, 97, 2, 100, SectionsTip, SectionsLong},
    {"TrackBarSeparation", 0, 500, 100, 25, 100, SectionsTip, SectionsLong},
    {"TrackBarSpace", 1, 100, 48, 2, 10, "", Tight},
    {"TrackBarVelocity", 0, 200, 80, 2, 50, "", "<--- slower / faster --->"},
    {"TrackBarDistribution", 1, 200, 99, 2, 100, "", "<--- less at centre / more at centre --->"},
    {"TrackBarRedoFrequency", 1, 100, 15, 2, 20, Redo, Redo},
    {"TrackBarMatrixResolution", 10, 300, 250, 2, 0, "Matrix Resolution", "Matrix Resolution"},
    {"TrackBarLocalitySize", 0, 50, 25, 2, 10, "Locality Size", "Locality Size"},
    {"TrackBarPressure", 1, 100, 20, 2, 20, "", Effect},
    {"TrackBarFriction", 1, 100, 30, 2, 20, "", Effect},
    {"TrackBarRadiation", 1, 100, 10, 2, 20, "", Effect},
    {"TrackBarOpening", 4, 20, 13, 2, 2, "Smaller is more exact, larger is faster",
     "<--- exact pull, slower / approximate pull, faster --->"},
    {"TrackBarPartSize", 1, 100, 50, 2, 10, "", Tight},
    {"TrackBarContrast", 1, 512, 200, 32, 128, "", Tight},
    {"TrackBarMaxSep", 0, 60, 5, 20, 15, "", Tight},
};

TEST_F(PropertiesDlgTest, EverySliderAsWrittenOut) {
    int sliders = 0;
    for (const TExpectedSlider& e : Expected) {
        SCOPED_TRACE(e.Name);
        auto* slider = Dialog->findChild<QSlider*>(QString::fromLatin1(e.Name));
        ASSERT_NE(slider, nullptr);
        EXPECT_EQ(slider->minimum(), e.Min);
        EXPECT_EQ(slider->maximum(), e.Max);
        EXPECT_EQ(slider->value(), e.Position);
        EXPECT_EQ(slider->pageStep(), e.PageSize);
        EXPECT_EQ(slider->tickInterval(), e.TickSpacing);
        EXPECT_EQ(slider->toolTip(), QString::fromUtf8(e.ToolTip));
        EXPECT_EQ(slider->statusTip(), QString::fromUtf8(e.StatusTip));
        ++sliders;
    }
    // No slider beyond these, except the rotation controls' own.
    int all = 0;
    for (QSlider* slider : Dialog->findChildren<QSlider*>())
        all += slider->objectName().startsWith(QStringLiteral("TrackBar"));
    EXPECT_EQ(all, sliders);
}

} // namespace
