#pragma once

#include <cstdint>

class TMDIChild;

/// What the properties window needs from the window that owns the universe and the views:
/// the processing settings it passes straight on, a new build of the universe, and the
/// view its view settings apply to. The main window implements it; tests may stand in.
class TPropertiesHost {
public:
    virtual void SetMaxSeparation(std::int32_t value) = 0;
    virtual void SetLocalitySize(std::int32_t value) = 0;
    virtual void SetMatrixResolution(std::int32_t value) = 0;
    virtual void SetRedoFrequency(std::int32_t value) = 0;
    virtual void SetGravityMethod(std::int32_t value) = 0; // a TGravityMethod
    virtual void SetOpeningAngle(std::int32_t value) = 0;  // the slider's position, twentieths
    /// Builds the universe anew from the properties window's current settings.
    virtual void CreateUniverse() = 0;
    /// "&Apply All" in the floating window: a host that keeps work the new universe would
    /// replace asks about it first.
    virtual void ApplyAll() { CreateUniverse(); }
    /// The pace of processing: at most this many steps per second, 0 for as fast as the
    /// engine goes.
    virtual void SetStepsPerSecond(std::int32_t value) = 0;
    /// The active view, or null when none is open.
    virtual TMDIChild* ActiveView() const = 0;

protected:
    ~TPropertiesHost() = default;
};
