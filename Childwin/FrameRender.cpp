#include "Childwin/FrameRender.h"

#include "Childwin/DisplayList.h"
#include "Childwin/LineList.h"
#include "Childwin/ViewProjection.h"
#include "universe/UniverseSnapshot.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr std::int32_t Hidden = -999;

void FillList(const TUniverseSnapshot& universe, TDisplayList& list, const TCameraTransform& t,
              const TEyeTurn& eye) {
    // The plain camera keeps a loop without the eye's test; only a stereo eye pays for it.
    if (!eye.Turned) {
        for (std::int32_t i = 0; i <= list.LastIndex(); ++i) {
            const TUniverseSnapshot::TPoint& p = universe.Particles[static_cast<std::size_t>(i)];
            const TViewPoint v = TransformPoint(t, p.X, p.Y, p.Z);
            list[i] = {v.X, v.Y, v.Depth, i, 4 * p.Heat};
        }
        return;
    }
    for (std::int32_t i = 0; i <= list.LastIndex(); ++i) {
        const TUniverseSnapshot::TPoint& p = universe.Particles[static_cast<std::size_t>(i)];
        const TViewPoint v = TurnForEye(eye, TransformPoint(t, p.X, p.Y, p.Z));
        list[i] = {v.X, v.Y, v.Depth, i, 4 * p.Heat};
    }
}

void DrawDots(const TUniverseSnapshot& universe, TDisplayList& list, const TPixelFrame& frame,
              const TFrameSettings& s, TDrawnPoints& points) {
    const bool luminance = s.ShowLuminance && universe.UseThermodynamics;
    // In depth order the particles are visited at random places of a large array; asking
    // for them a little ahead hides most of the memory latency.
    constexpr std::int32_t ahead = 16;
    for (std::int32_t k = 0; k <= list.LastIndex(); ++k) {
        if (k + ahead <= list.LastIndex())
            __builtin_prefetch(&points[static_cast<std::size_t>(list[k + ahead].Particle)], 1);
        const TDisplayEntry& e = list[k];
        if (!IsProjectable(e.Depth))
            continue;
        const TScreenPoint sp = ProjectPoint({e.X, e.Y, e.Depth}, s.Camera, s.CentreX, s.CentreY);
        const double rt = std::trunc(sp.Radius);
        TDrawnPoint& p = points[static_cast<std::size_t>(e.Particle)];
        p.ScreenX = p.ScreenY = Hidden;
        // Written so that a NaN anywhere fails the test and the dot is skipped.
        const bool inWindow = rt + sp.SX > 0 && sp.SX - rt < s.ClientWidth && rt + sp.SY > 0 &&
                              sp.SY - rt < s.ClientHeight;
        if (!inWindow || s.ShowAs != saMonocular)
            continue;
        p.ScreenX = RoundToInt32(sp.SX);
        p.ScreenY = RoundToInt32(sp.SY);
        list.MarkDrawn(e.Particle);
        const double root = std::sqrt(e.Depth);
        const double intensity =
            luminance ? 60 * (e.LuminanceFactor * e.LuminanceFactor) / root : 60 / root;
        BlendDot(frame, s.Dots, 255, sp.SX, sp.SY, sp.Radius, intensity);
    }
}

void CollectLines(const TUniverseSnapshot& universe, const TDisplayList& list,
                  const TFrameSettings& s, const TDrawnPoints& points, TLineList& lines) {
    const std::int32_t last = std::min({universe.PairLast, std::int32_t{5000},
                                        static_cast<std::int32_t>(universe.Pairs.size()) - 1});
    for (std::int32_t k = 0; k <= last; ++k) {
        const TPairEntry& pair = universe.Pairs[static_cast<std::size_t>(k)];
        const std::int32_t a = pair.Upper, b = pair.Lower;
        if (a < 0 || a > list.LastIndex() || b < 0 || b > list.LastIndex())
            continue;
        if (!list.WasDrawn(a) || !list.WasDrawn(b))
            continue;
        const TDrawnPoint& pa = points[static_cast<std::size_t>(a)];
        const TDrawnPoint& pb = points[static_cast<std::size_t>(b)];
        if (!lines.AddClipped(pa.ScreenX, pa.ScreenY, pb.ScreenX, pb.ScreenY, s.ClientWidth,
                              s.ClientHeight))
            break;
    }
}

} // namespace

TFrameSettings ForDevicePixels(const TFrameSettings& settings, double ratio,
                               std::int32_t deviceWidth, std::int32_t deviceHeight) {
    TFrameSettings device = settings;
    device.Camera.ZoomX *= ratio;
    device.Camera.ZoomY *= ratio;
    device.ClientWidth = deviceWidth;
    device.ClientHeight = deviceHeight;
    // Halved as the view halves its own size, so a ratio of 1 changes nothing.
    device.CentreX = static_cast<std::int32_t>(static_cast<std::uint32_t>(deviceWidth) / 2);
    device.CentreY = static_cast<std::int32_t>(static_cast<std::uint32_t>(deviceHeight) / 2);
    return device;
}

void RenderUniverse(const TUniverseSnapshot* universe, TDisplayList* list, const TPixelFrame& frame,
                    const TFrameSettings& settings, TLineList& lines, TDrawnPoints& points) {
    lines.Clear();
    if (!universe || !list || !universe->HasParticles())
        return;
    if (points.size() != universe->Particles.size())
        points.resize(universe->Particles.size());
    if (!list->Allocate(universe->LastIndex() + 1))
        return;
    FillList(*universe, *list, TCameraTransform::FromCamera(settings.Camera), settings.Eye);
    list->SortByDepth();
    DrawDots(*universe, *list, frame, settings, points);
    if (universe->IterationCount >= 1 && settings.UseLines && universe->PairLast >= 0)
        CollectLines(*universe, *list, settings, points, lines);
    list->Release();
}
