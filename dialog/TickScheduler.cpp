#include "dialog/TickScheduler.h"

#include <algorithm>

namespace dialog {

int TickScheduler::remainingMs(std::int64_t due) const
{
    // As the toolkit's timers answer: rounded up to the millisecond.
    const std::int64_t left = due - now();
    return left <= 0 ? 0 : static_cast<int>((left + 999999) / 1000000);
}

void TickScheduler::startBeat(int id, Timer& t)
{
    t.beat = true;
    t.beatDue = now() + ns(t.period);
    carrier_.startBeat(id, t.period);
}

void TickScheduler::stopBeat(int id, Timer& t)
{
    if (!t.beat)
        return;
    t.beat = false;
    carrier_.stopBeat(id);
}

void TickScheduler::startCatchUp(int id, Timer& t, std::int64_t inNs)
{
    // To the nearest millisecond, the timer's grain: a tick comes at most
    // half of one early or late, and a burst's ticks keep their rate.
    const int ms = static_cast<int>((inNs + 500000) / 1000000);
    t.catchUp = true;
    t.catchUpDue = now() + ns(ms);
    carrier_.startCatchUp(id, ms);
}

void TickScheduler::endWait(int id, Timer& t)
{
    t.waiting = false;
    if (t.watching) {
        t.watching = false;
        carrier_.unwatch(id);
    }
    if (t.catchUp) {
        t.catchUp = false;
        carrier_.stopCatchUp(id);
    }
}

void TickScheduler::start(int id, int ms)
{
    Timer& t = timers_[id];
    endWait(id, t);
    ++t.run;
    // Started beside a running timer of the same period, it takes that
    // timer's beat, the first one at least a period away, so the two tick
    // in one pass of the loop.
    for (const auto& [other, beat] : timers_) {
        if (other == id || ms <= 0 || !ticksWithLast(beat, ms))
            continue;
        const std::int64_t firstNs = 2 * ns(ms) - (now() - *beat.lastTick) % ns(ms);
        t.period = ms;
        if (t.beat) // a new period restarts a running beat
            startBeat(id, t);
        startCatchUp(id, t, firstNs);
        return;
    }
    t.period = ms;
    startBeat(id, t);
}

void TickScheduler::stop(int id)
{
    const auto it = timers_.find(id);
    if (it == timers_.end())
        return;
    endWait(id, it->second);
    ++it->second.run;
    stopBeat(id, it->second);
}

void TickScheduler::pauseUntilReadable(int id, int fd)
{
    const auto it = timers_.find(id);
    if (it == timers_.end() || !(it->second.beat || it->second.catchUp))
        return;
    Timer& t = it->second;
    if (t.catchUp) {
        t.catchUp = false;
        carrier_.stopCatchUp(id);
    }
    ++t.run;
    stopBeat(id, t);
    t.waiting = true;
    t.watching = true;
    carrier_.watch(id, fd);
}

void TickScheduler::readable(int id)
{
    const auto it = timers_.find(id);
    if (it == timers_.end())
        return;
    Timer& t = it->second;
    // Not waiting: behind a box the wake's own tick opened, where the
    // running timer ticks.
    if (ended_ || !t.waiting) {
        endWait(id, t);
        return;
    }
    t.waiting = false;
    ++t.run;
    // The wake is the tick, what woke it read at once, unless the last
    // tick is less than a period ago: ticks come no closer than their
    // period (to the millisecond), and a tick reads what a running timer's
    // would.
    const std::int64_t periodNs = ns(t.period);
    const std::int64_t restNs = std::max<std::int64_t>(0, t.lastTick ? periodNs - (now() - *t.lastTick) : 0);
    // The other timers of its period move onto its beat, each once to the
    // first of its beats not sooner than a period after its last tick.
    for (auto& [other, b] : timers_) {
        if (other == id || !ticksWithLast(b, t.period))
            continue;
        const std::int64_t dueNs = periodNs - (now() - *b.lastTick);
        std::int64_t firstNs = restNs;
        while (firstNs < dueNs)
            firstNs += periodNs;
        ++b.run;
        stopBeat(other, b);
        startCatchUp(other, b, firstNs);
    }
    if (restNs == 0) {
        resume(id, t);
        // A wake's tick that pauses again finds its fd still watched: each
        // change of the loop's descriptors costs the loop system calls.
        if (!t.waiting && t.watching) {
            t.watching = false;
            carrier_.unwatch(id);
        }
        tickDueCompanions(id);
        serve(id);
        return;
    }
    if (t.watching) {
        t.watching = false;
        carrier_.unwatch(id);
    }
    startCatchUp(id, t, restNs);
}

void TickScheduler::catchUpFired(int id)
{
    Timer& t = timers_[id];
    t.catchUp = false;
    resume(id, t);
    serve(id);
}

void TickScheduler::resume(int id, Timer& t)
{
    startBeat(id, t);
    t.lastTick = now();
    // Not as a beat's tick: the beat is not in its own slot, so it fires
    // by itself behind a box this tick opens.
    carrier_.tick(id);
}

void TickScheduler::beatFired(int id)
{
    const auto it = timers_.find(id);
    if (it == timers_.end() || !it->second.beat)
        return;
    // The next beat keeps the phase, unless a whole period was missed.
    Timer& t = it->second;
    t.beatDue += ns(t.period);
    if (t.beatDue < now())
        t.beatDue = now() + ns(t.period);
    tickNow(id);
}

void TickScheduler::standInFired(const StandIn& s)
{
    const auto it = timers_.find(s.id);
    if (it != timers_.end() && it->second.run == s.run && !ended_)
        tickNow(s.id);
}

void TickScheduler::tickNow(int id)
{
    if (const auto it = timers_.find(id); it != timers_.end())
        it->second.lastTick = now();
    runningTicks_.push_back(id);
    carrier_.tick(id);
    runningTicks_.pop_back();
    tickDueCompanions(id);
    serve(id);
}

void TickScheduler::serve(int id)
{
    const auto it = timers_.find(id);
    if (ended_ || it == timers_.end())
        return;
    const Timer& t = it->second;
    if (t.waiting)
        carrier_.served(std::nullopt);
    else if (t.beat)
        carrier_.served(t.period);
}

void TickScheduler::tickDueCompanions(int id)
{
    // Timers of one period share a pass of the loop: one due within two
    // milliseconds (a whole one, rounded up) ticks now and starts its
    // period again from here, so that the next passes find both due
    // together. A tick so comes at most that much early, once.
    const auto it = timers_.find(id);
    if (ended_ || it == timers_.end() || !it->second.beat)
        return;
    const int period = it->second.period;
    const auto dueSoon = [this, period](const Timer& t) {
        if (t.period != period)
            return false;
        if (t.beat)
            return remainingMs(t.beatDue) <= 2;
        return t.catchUp && remainingMs(t.catchUpDue) <= 2;
    };
    std::vector<int> due;
    for (const auto& [other, t] : timers_)
        if (other != id && dueSoon(t))
            due.push_back(other);
    for (int other : due) {
        Timer& t = timers_[other];
        if (ended_ || !dueSoon(t))
            continue;
        endWait(other, t);
        ++t.run;
        resume(other, t);
    }
}

void TickScheduler::end()
{
    ended_ = true;
    for (auto& [id, t] : timers_) {
        endWait(id, t);
        ++t.run;
        stopBeat(id, t);
    }
}

bool TickScheduler::ticking(int id) const
{
    const auto it = timers_.find(id);
    return it != timers_.end() && (it->second.beat || it->second.catchUp);
}

bool TickScheduler::waiting(int id) const
{
    const auto it = timers_.find(id);
    return it != timers_.end() && it->second.waiting;
}

std::vector<TickScheduler::StandIn> TickScheduler::standIns() const
{
    std::vector<StandIn> out;
    for (int id : runningTicks_) {
        const auto it = timers_.find(id);
        if (it == timers_.end() || !it->second.beat ||
            std::any_of(out.begin(), out.end(), [id](const StandIn& s) { return s.id == id; }))
            continue;
        out.push_back({id, it->second.period, it->second.run});
    }
    return out;
}

std::optional<TickScheduler::Due> TickScheduler::nextDue() const
{
    std::optional<Due> next;
    for (const auto& [id, t] : timers_) {
        if (t.beat && (!next || t.beatDue < next->atNs))
            next = Due{id, t.beatDue, false};
        if (t.catchUp && (!next || t.catchUpDue < next->atNs))
            next = Due{id, t.catchUpDue, true};
    }
    return next;
}

void TickScheduler::fire(const Due& d)
{
    if (d.catchUp)
        catchUpFired(d.id);
    else
        beatFired(d.id);
}

} // namespace dialog
