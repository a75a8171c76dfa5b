#pragma once

#include "Storage/Recording.h"

#include <memory>
#include <mutex>

/// The recording, shared by the window thread (playback, options, export) and the engine
/// thread (a frame after each step, saving, resuming). Every use holds Mutex; the engine
/// holds it for one frame's write at most, so the window never waits longer than that.
struct TRecorderLink {
    std::mutex Mutex;
    std::unique_ptr<TRecording> File;
    bool Active = false; // the engine records every step
};
