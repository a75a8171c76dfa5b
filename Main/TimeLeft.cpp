#include "Main/TimeLeft.h"

#include <cmath>
#include <cstdio>

void TTimeLeft::Start(double now) {
    Began = now;
    LastShare = 0;
    Started = true;
}

std::optional<double> TTimeLeft::Update(double share, double now) {
    // Progress that runs backwards belongs to new work the caller did not announce.
    if (!Started || share < LastShare)
        Start(now);
    LastShare = share;
    const double elapsed = now - Began;
    if (elapsed < QuietSeconds || !(share > 0))
        return std::nullopt;
    if (share >= 1)
        return 0.0;
    // The average rate since the start: the rows of a step, and the clusters of a build,
    // cost alike, and an average does not jump with the machine's momentary load.
    return elapsed * (1 - share) / share;
}

namespace TimeLeft {

std::string Text(double seconds) {
    if (!(seconds >= 0))
        seconds = 0;
    if (seconds < 10)
        return "a few seconds left";
    char text[48];
    const long fives = std::lround(seconds / 5) * 5;
    const long minutes = std::lround(seconds / 60);
    if (fives < 60)
        std::snprintf(text, sizeof text, "about %ld s left", fives);
    else if (minutes < 60)
        std::snprintf(text, sizeof text, "about %ld min left", minutes);
    else if (const long tens = minutes % 60 / 10 * 10; tens > 0)
        std::snprintf(text, sizeof text, "about %ld h %ld min left", minutes / 60, tens);
    else
        std::snprintf(text, sizeof text, "about %ld h left", minutes / 60);
    return text;
}

} // namespace TimeLeft
