#pragma once

#include <optional>
#include <string>

/// Estimates how long a piece of long work (a build, one step of a large universe) has left,
/// from the share of it done so far. Work that ends within a second never shows an estimate:
/// it would flicker past unread.
class TTimeLeft {
public:
    static constexpr double QuietSeconds = 1.0;

    /// A new piece of work began at now (seconds on any steady clock).
    void Start(double now);
    /// The share done, 0 to 1, at now; the seconds left, or nothing while it is too early to
    /// tell (within QuietSeconds of the start, or nothing done yet).
    std::optional<double> Update(double share, double now);

private:
    double Began = 0;
    double LastShare = 0;
    bool Started = false;
};

namespace TimeLeft {

/// The status line's words for seconds left, rounded as far as an estimate deserves:
/// "about 40 s left", "about 3 min left", "about 1 h 20 min left".
std::string Text(double seconds);

} // namespace TimeLeft
