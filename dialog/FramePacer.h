#pragma once
// When a window paints, and when its views' appends and its counters are
// put in. A tick changes the views up to 333 times a second; painting each
// change would cost more than all the rest, so paints come at most once a
// frame, and a tick's pass of the loop serves what the next frames would.
// The toolkit's timers carry the waits out (the Carrier); the pacer keeps
// its own model of them, and runs in tests on a fake clock.

#include "dialog/Clock.h"

#include <cstdint>
#include <optional>
#include <set>

namespace dialog {

class FramePacer {
public:
    /// Shortest time between two paints of a window: at most 25 paints a
    /// second, however often the ticks change the views and counters.
    static constexpr int kFrameMs = 40;
    /// How long a counter's or a status label's new text waits to be shown;
    /// under a stream, the views' appends wait as long.
    static constexpr int kCountMs = 200;

    enum class Wait { Paint, Appends, Counts };

    class Carrier {
    public:
        virtual ~Carrier() = default;
        virtual void startWait(Wait w, int ms) = 0;
        virtual void stopWait(Wait w) = 0;
        /// Asks for a paint now; it comes back as paintRequested().
        virtual void requestPaint() = 0;
        /// Puts in the waiting changes of control id.
        virtual void flush(int id) = 0;
    };

    FramePacer(const Clock& clock, Carrier& carrier) : clock_(clock), carrier_(carrier) {}

    /// A view has appends waiting for the frame's end.
    void viewWaiting(int id);
    /// A counter or a label has new text waiting.
    void countWaiting(int id);
    /// Puts in every waiting change: the counters and the text they count
    /// are shown together, in one paint.
    void flushWaiting();
    /// The toolkit asks to paint: false holds the paint to the frame's end.
    bool paintRequested();
    /// The carrier's wait w is over.
    void waitEnded(Wait w);
    /// A tick's pass of the loop ends; its timer's next tick comes in
    /// nextTickMs (nullopt: when its port has bytes).
    void serve(std::optional<int> nextTickMs);

    /// Time left before the next paint may come; 0 when it may now.
    int msToFrameEnd() const;
    /// When wait w ends, on the monotonic clock; nullopt when not waiting.
    std::optional<std::int64_t> waitEndsNs(Wait w) const;

private:
    struct Pending {
        bool active = false;
        std::int64_t due = 0;
    };

    std::int64_t now() const { return clock_.monotonicNs(); }
    static int elapsedMs(std::int64_t from, std::int64_t to) { return static_cast<int>((to - from) / 1000000); }
    Pending& pending(Wait w) { return waits_[static_cast<int>(w)]; }
    const Pending& pending(Wait w) const { return waits_[static_cast<int>(w)]; }
    void start(Wait w, int ms);
    void stop(Wait w);
    int remainingMs(Wait w) const;
    int msToViewsShown() const;
    void flush(std::set<int>& ids);

    const Clock& clock_;
    Carrier& carrier_;
    Pending waits_[3];
    std::set<int> waitingViews_;  // appends waiting for the frame's end (the counters' under a stream)
    std::set<int> waitingCounts_; // counters and labels
    std::optional<std::int64_t> lastPaint_;
    std::optional<std::int64_t> viewsShown_; // when the views' waiting appends were last put in
    bool paintNow_ = false;                  // a tick served the frame's end: its paint comes at once
};

} // namespace dialog
