#pragma once

#include <atomic>
#include <cstdint>

/// Lets another thread stop a step or a build at a safe point and watch its progress.
///
/// A step adds its pair-loop rows to Rows when it starts and to RowsDone as they finish;
/// whoever starts a piece of work clears both, so the rows of the steps a build runs add
/// up. A step that sees Cancel returns false and leaves the universe exactly as it found
/// it. Cancel stays set until its owner clears it.
struct TStepControl {
    std::atomic<bool> Cancel{false};
    std::atomic<std::int64_t> RowsDone{0};
    std::atomic<std::int64_t> Rows{0};

    /// Clears the progress and the cancel request, before a new piece of work.
    void Restart() {
        Cancel.store(false, std::memory_order_relaxed);
        RowsDone.store(0, std::memory_order_relaxed);
        Rows.store(0, std::memory_order_relaxed);
    }
};

namespace StepControl {

// The step checks often, from every worker thread: a relaxed load is a plain load, and the
// step's own end (the threads' join) orders everything that matters.
inline bool Cancelled(const TStepControl* control) {
    return control != nullptr && control->Cancel.load(std::memory_order_relaxed);
}

inline void AddRows(TStepControl* control, std::int64_t rows) {
    if (control != nullptr)
        control->Rows.fetch_add(rows, std::memory_order_relaxed);
}

inline void RowsDone(TStepControl* control, std::int64_t rows) {
    if (control != nullptr)
        control->RowsDone.fetch_add(rows, std::memory_order_relaxed);
}

} // namespace StepControl
