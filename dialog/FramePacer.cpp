#include "dialog/FramePacer.h"

#include <algorithm>

namespace dialog {

void FramePacer::start(Wait w, int ms)
{
    pending(w) = {true, now() + std::int64_t{ms} * 1000000};
    carrier_.startWait(w, ms);
}

void FramePacer::stop(Wait w)
{
    if (!pending(w).active)
        return;
    pending(w).active = false;
    carrier_.stopWait(w);
}

int FramePacer::remainingMs(Wait w) const
{
    const std::int64_t left = pending(w).due - now();
    return left <= 0 ? 0 : static_cast<int>((left + 999999) / 1000000);
}

std::optional<std::int64_t> FramePacer::waitEndsNs(Wait w) const
{
    return pending(w).active ? std::optional<std::int64_t>(pending(w).due) : std::nullopt;
}

// Views' appends wait, like paints, for the frame's end.
void FramePacer::viewWaiting(int id)
{
    waitingViews_.insert(id);
    if (!pending(Wait::Appends).active)
        start(Wait::Appends, msToViewsShown());
}

void FramePacer::countWaiting(int id)
{
    waitingCounts_.insert(id);
    if (!pending(Wait::Counts).active)
        start(Wait::Counts, kCountMs);
}

// Under a stream, a view scrolled at every frame costs the window a blit
// and a paint each time, far more than the bytes it shows: the appends then
// come at the counters' pace. After a quiet spell the first append is shown
// at the frame's end.
int FramePacer::msToViewsShown() const
{
    const int frame = msToFrameEnd();
    if (!viewsShown_ || elapsedMs(*viewsShown_, now()) >= kCountMs)
        return frame;
    return std::max(frame, kCountMs - elapsedMs(*viewsShown_, now()));
}

int FramePacer::msToFrameEnd() const
{
    if (!lastPaint_)
        return 0;
    return std::max(0, kFrameMs - elapsedMs(*lastPaint_, now()));
}

void FramePacer::flush(std::set<int>& ids)
{
    while (!ids.empty()) {
        const int id = *ids.begin();
        ids.erase(ids.begin());
        carrier_.flush(id);
    }
}

void FramePacer::flushWaiting()
{
    if (!waitingViews_.empty()) {
        stop(Wait::Appends);
        viewsShown_ = now();
        flush(waitingViews_);
    }
    stop(Wait::Counts);
    flush(waitingCounts_);
}

// An update asked for within a frame of the last paint is held to the
// frame's end, where one paint shows everything changed since. What the
// controls hold is current at once; only their pixels wait. A window at
// rest paints at once.
bool FramePacer::paintRequested()
{
    if (const int wait = msToFrameEnd(); wait > 0 && !paintNow_) {
        if (!pending(Wait::Paint).active)
            start(Wait::Paint, wait);
        return false;
    }
    paintNow_ = false;
    lastPaint_ = now();
    return true;
}

void FramePacer::waitEnded(Wait w)
{
    pending(w).active = false;
    if (w == Wait::Paint)
        carrier_.requestPaint();
    else
        flushWaiting();
}

void FramePacer::serve(std::optional<int> nextTickMs)
{
    // What the frame and the counters would flush or paint before the next
    // tick is done in this tick's pass of the loop, at most a period early:
    // under a feed the window then wakes once per tick, not once more for
    // each of them. Counters due before the next frame's end ride along.
    // A tick that left its timer waiting for the port cannot tell when the
    // next comes; it serves what is due within a quarter of a frame.
    const int period = nextTickMs ? *nextTickMs : kFrameMs / 4;
    const bool frameEnds = msToFrameEnd() < period;
    const bool appendsDue = frameEnds && pending(Wait::Appends).active && remainingMs(Wait::Appends) < period;
    const bool frameDue = appendsDue || (frameEnds && pending(Wait::Paint).active);
    const bool countsDue = pending(Wait::Counts).active &&
                           (appendsDue || remainingMs(Wait::Counts) < (frameDue ? kFrameMs + period : period));
    if (appendsDue || countsDue)
        flushWaiting();
    // Otherwise the paint waits for its frame's end, which a later tick serves.
    if (!frameEnds || !(frameDue || countsDue))
        return;
    paintNow_ = true;
    if (pending(Wait::Paint).active) {
        stop(Wait::Paint);
        carrier_.requestPaint();
    }
}

} // namespace dialog
