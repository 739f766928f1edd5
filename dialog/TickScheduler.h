#pragma once
// When a window's timers tick. Timers of one period share a beat, a timer
// held until its port is readable wakes with the bytes, and a wake catches
// up with the rest of the period since the last tick. The toolkit's timers
// and descriptor watches carry the decisions out (the Carrier); the
// schedule keeps its own model of them, so it can answer what is due and
// when, and runs in tests on a fake clock.

#include "dialog/Clock.h"

#include <cstdint>
#include <map>
#include <optional>
#include <vector>

namespace dialog {

class TickScheduler {
public:
    class Carrier {
    public:
        virtual ~Carrier() = default;
        /// (Re)starts timer id's beat: a tick every ms from now.
        virtual void startBeat(int id, int ms) = 0;
        virtual void stopBeat(int id) = 0;
        /// (Re)arms id's one-shot catch-up, ms from now.
        virtual void startCatchUp(int id, int ms) = 0;
        virtual void stopCatchUp(int id) = 0;
        /// Watches fd for bytes (or a hang-up) for id; a wake comes as readable(id).
        virtual void watch(int id, int fd) = 0;
        virtual void unwatch(int id) = 0;
        /// The logic's tick of id.
        virtual void tick(int id) = 0;
        /// A tick's pass of the loop ends: the next tick of its timer comes
        /// in nextTickMs (nullopt: when its port has bytes).
        virtual void served(std::optional<int> nextTickMs) = 0;
    };

    /// What is due next on a carrier without timers of its own.
    struct Due {
        int id = 0;
        std::int64_t atNs = 0;
        bool catchUp = false;
    };
    /// A timer that must keep ticking while a box opened inside its tick
    /// is open: the toolkit holds its beat until the tick returns.
    struct StandIn {
        int id = 0;
        int ms = 0;
        unsigned run = 0;
    };

    TickScheduler(const Clock& clock, Carrier& carrier) : clock_(clock), carrier_(carrier) {}

    // The logic's requests.
    void start(int id, int ms);
    void stop(int id);
    void pauseUntilReadable(int id, int fd);

    // What the carrier saw.
    void beatFired(int id);
    void catchUpFired(int id);
    void readable(int id);
    /// A stand-in's tick: ticks as the beat would, unless the timer was
    /// stopped, paused or restarted since the box opened.
    void standInFired(const StandIn& s);

    /// A finished window: every timer stops, and wakes and stand-ins tick
    /// no more until reopen().
    void end();
    void reopen() { ended_ = false; }

    /// Started, and neither stopped nor waiting for its descriptor.
    bool ticking(int id) const;
    bool waiting(int id) const;
    std::vector<StandIn> standIns() const;
    /// The earliest beat or catch-up, whether or not it is due yet.
    std::optional<Due> nextDue() const;
    /// Fires d (from nextDue) as its carrier's timer would.
    void fire(const Due& d);

private:
    struct Timer {
        int period = 0; // kept after a stop, as the toolkit's timers keep it
        bool beat = false;
        std::int64_t beatDue = 0;
        bool catchUp = false;
        std::int64_t catchUpDue = 0;
        bool waiting = false;  // paused until its fd is readable
        bool watching = false; // the carrier watches its fd
        std::optional<std::int64_t> lastTick;
        unsigned run = 0; // bumped at each start, stop and pause
    };

    std::int64_t now() const { return clock_.monotonicNs(); }
    static std::int64_t ns(int ms) { return std::int64_t{ms} * 1000000; }
    // Running with the period, and has ticked: a beat others can take.
    static bool ticksWithLast(const Timer& t, int period) { return t.beat && t.period == period && t.lastTick; }
    int remainingMs(std::int64_t due) const;
    void startBeat(int id, Timer& t);
    void stopBeat(int id, Timer& t);
    void startCatchUp(int id, Timer& t, std::int64_t inNs);
    void endWait(int id, Timer& t);
    void resume(int id, Timer& t);
    void tickNow(int id);
    void tickDueCompanions(int id);
    void serve(int id);

    const Clock& clock_;
    Carrier& carrier_;
    std::map<int, Timer> timers_;
    std::vector<int> runningTicks_; // timers whose tick is running, innermost last
    bool ended_ = false;
};

} // namespace dialog
