#include "Childwin/FrameRender.h"

#include "Childwin/DisplayList.h"
#include "Childwin/LineList.h"
#include "Childwin/ViewProjection.h"
#include "universe/Universe.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr std::int32_t Hidden = -999;

void FillList(const TUniverse& universe, TDisplayList& list, const TCameraTransform& t,
              const TEyeTurn& eye) {
    for (std::int32_t i = 0; i <= list.LastIndex(); ++i) {
        const TParticle& p = universe.Particles[i];
        const TViewPoint v = TurnForEye(eye, TransformPoint(t, p.X, p.Y, p.Z));
        list[i] = {v.X, v.Y, v.Depth, i, 4 * p.Heat};
    }
}

void DrawDots(TUniverse& universe, TDisplayList& list, const TPixelFrame& frame,
              const TFrameSettings& s) {
    const bool luminance = s.ShowLuminance && universe.UseThermodynamics;
    // In depth order the particles are visited at random places of a large array; asking
    // for them a little ahead hides most of the memory latency.
    constexpr std::int32_t ahead = 16;
    for (std::int32_t k = 0; k <= list.LastIndex(); ++k) {
        if (k + ahead <= list.LastIndex())
            __builtin_prefetch(&universe.Particles[list[k + ahead].Particle].ScreenX, 1);
        const TDisplayEntry& e = list[k];
        if (!IsProjectable(e.Depth))
            continue;
        const TScreenPoint sp = ProjectPoint({e.X, e.Y, e.Depth}, s.Camera, s.CentreX, s.CentreY);
        const double rt = std::trunc(sp.Radius);
        TParticle& p = universe.Particles[e.Particle];
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

void CollectLines(const TUniverse& universe, const TDisplayList& list, const TFrameSettings& s,
                  TLineList& lines) {
    const std::int32_t last =
        std::min({universe.PairLast, std::int32_t{5000}, std::int32_t{TUniverse::MaxPairs - 1}});
    for (std::int32_t k = 0; k <= last; ++k) {
        const TPairEntry& pair = universe.Pairs[static_cast<std::size_t>(k)];
        const std::int32_t a = pair.Upper, b = pair.Lower;
        if (a < 0 || a > list.LastIndex() || b < 0 || b > list.LastIndex())
            continue;
        if (!list.WasDrawn(a) || !list.WasDrawn(b))
            continue;
        const TParticle& pa = universe.Particles[a];
        const TParticle& pb = universe.Particles[b];
        if (!lines.AddClipped(pa.ScreenX, pa.ScreenY, pb.ScreenX, pb.ScreenY, s.ClientWidth,
                              s.ClientHeight))
            break;
    }
}

} // namespace

void RenderUniverse(TUniverse* universe, TDisplayList* list, const TPixelFrame& frame,
                    const TFrameSettings& settings, TLineList& lines) {
    lines.Clear();
    // A universe that was constructed but never given particles still reads LastIndex 0.
    if (!universe || !list || !universe->Particles ||
        universe->LastIndex == std::numeric_limits<std::int32_t>::max())
        return;
    if (!list->Allocate(universe->LastIndex + 1))
        return;
    FillList(*universe, *list, TCameraTransform::FromCamera(settings.Camera), settings.Eye);
    list->SortByDepth();
    DrawDots(*universe, *list, frame, settings);
    if (universe->IterationCount >= 1 && settings.UseLines && universe->PairLast >= 0)
        CollectLines(*universe, *list, settings, lines);
    list->Release();
}
