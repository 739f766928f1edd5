#pragma once
// The wait for the device's answer, one for both rotations: in
// answer-driven mode a rotation sends its next frame only once a received
// frame has ended, or after a time-out and a number of re-sends.

#include <ctime>

namespace quillon {

class AnswerWait {
public:
    /// A rotation's frame went out and no received frame has ended since.
    int answerPending = 0;
    /// Calendar second of the last send or re-send.
    std::time_t waitStart = 0;
    /// Re-sends made for the current frame.
    int retriesDone = 0;

    /// Any received frame ended, shown or not: it is the answer.
    void frameEnded() { answerPending = 0; }

    /// One answer-driven tick at calendar second now. Calls step() (the
    /// next frame) when nothing is awaited, or when the awaited answer has
    /// timed out (more than timeoutS whole seconds) and its re-sends have
    /// reached retryCount or passed it; calls resend() (the same frame)
    /// when it timed out with re-sends left; otherwise waits. Nothing here
    /// is reset when a rotation starts or stops.
    template <class Step, class Resend>
    void tick(std::time_t now, int timeoutS, int retryCount, Step&& step, Resend&& resend)
    {
        if (answerPending && now - waitStart <= timeoutS)
            return;
        // "At least": a limit lowered below the re-sends already made moves
        // the frame on instead of re-sending it for ever. A negative limit
        // cannot be typed into the digits-only edit; it counts as none.
        if (answerPending && retriesDone < retryCount) {
            resend();
            ++retriesDone;
            waitStart = now;
            return;
        }
        step();
        answerPending = 1;
        waitStart = now;
        retriesDone = 0;
    }
};

} // namespace quillon
