#pragma once
// What the two rotations share and what they ask of the dialog that owns
// them: the settings of their group box and a few narrow calls, so that
// they can be driven without a window.

#include "dialog/ControlSurface.h"
#include "quillon/send/AnswerWait.h"

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

namespace quillon {

/// The settings group both rotations read; the dialog's data exchange
/// keeps them up to date.
struct RotationSettings {
    int rotationPeriodMs = 1000;
    int answerMode = 0; // 0 timed, 1 answer-driven
    int answerTimeoutS = 5;
    int retryCount = 1;
    int rotateOnce = 0;
};

/// One tick of a running rotation. Timed: counts ticks as msPerTick each
/// and calls step() when they pass the period. Answer-driven: the shared
/// answer wait decides between step(), resend() and waiting.
template <class Step, class Resend>
void rotationTick(const RotationSettings& settings, int& ticks, int msPerTick, AnswerWait& wait, std::time_t now,
                  Step&& step, Resend&& resend)
{
    if (settings.answerMode == 0) {
        if (static_cast<long long>(++ticks) * msPerTick > settings.rotationPeriodMs) {
            ticks = 0;
            step();
        }
        return;
    }
    wait.tick(now, settings.answerTimeoutS, settings.retryCount, step, resend);
}

class RotationHost {
public:
    virtual ~RotationHost() = default;
    /// Sends area n (1 to 3) as a press of its send button would, except
    /// that hex text of spaces alone is nothing to send here.
    /// @return false when the area has nothing to send (empty, not hex, too
    ///         long), so that a rotation passes over it.
    virtual bool sendArea(int n) = 0;
    /// Writes one file line's bytes to the port, counts them and echoes
    /// text (the line as read, upper-cased) into the view and the log.
    virtual void sendLine(const std::vector<std::uint8_t>& bytes, const std::string& text) = 0;
    virtual void setControlText(int id, const std::string& gbk) = 0;
    virtual void enableControl(int id, bool on) = 0;
    /// Shows a message box through the dialog's one reporting path.
    virtual void reportMessage(const std::string& gbk, dialog::MessageIcon icon) = 0;
};

} // namespace quillon
