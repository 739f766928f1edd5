#pragma once
// The send-area rotation: the areas that take part go out one after
// another, on the rotation period or each time the device has answered.

#include "dialog/Clock.h"
#include "quillon/send/AnswerWait.h"
#include "quillon/send/RotationHost.h"
#include "quillon/send/SendArea.h"

#include <array>

namespace quillon {

class AreaRotation {
public:
    AreaRotation(RotationHost& host, const RotationSettings& settings, const std::array<SendArea, 3>& areas,
                 AnswerWait& wait, const dialog::Clock& clock)
        : host_(host), settings_(settings), areas_(areas), wait_(wait), clock_(clock)
    {
    }

    int areaRotationRunning = 0;
    /// The area sent last; 0: the next step starts from area 1.
    int rotationArea = 0;
    /// Ticks counted towards the next timed step.
    int areaRotationTicks = 0;

    /// The start/stop button. While the file rotation runs it refuses with
    /// a message and changes nothing.
    void onStartStop(bool fileRotationRunning);
    /// One 10 ms tick while the port is open; does nothing while stopped.
    void tick();
    /// Sends the next area that takes part (1, 2, 3, 1, ...) and has
    /// something to send, passing over those that have not; with
    /// rotateOnce, reaching the end of the pass ends the rotation instead.
    /// Sends nothing when no area takes part; stops the rotation, with a
    /// message, when none of those that do has anything to send.
    void rotationStep();

private:
    void stop();
    /// Moves rotationArea on to the next area that takes part; false when
    /// a single pass ended there instead.
    bool advance();

    RotationHost& host_;
    const RotationSettings& settings_;
    const std::array<SendArea, 3>& areas_;
    AnswerWait& wait_;
    const dialog::Clock& clock_;
};

} // namespace quillon
