#pragma once
// The file rotation: the lines of a text file, one frame of hex text per
// line, go out one after another under the send-area rotation's settings.
// The file is opened afresh at every step, so it may be edited meanwhile.

#include "dialog/Clock.h"
#include "quillon/send/AnswerWait.h"
#include "quillon/send/RotationHost.h"
#include "quillon/send/SendArea.h"

#include <array>
#include <string>

namespace quillon {

class FileRotation {
public:
    FileRotation(RotationHost& host, const RotationSettings& settings, const std::array<SendArea, 3>& areas,
                 AnswerWait& wait, const dialog::Clock& clock)
        : host_(host), settings_(settings), areas_(areas), wait_(wait), clock_(clock)
    {
    }

    /// Largest frame one line may yield; a longer one is refused whole.
    static constexpr std::size_t kMaxLineBytes = 4096;

    std::string rotationFilePath; // GBK; empty: no file chosen
    int fileLineCount = 0;
    /// 1-based number of the next line to send.
    int fileCurrentLine = 1;
    int fileRotationRunning = 0;
    /// Ticks counted towards the next timed step.
    int fileRotationTicks = 0;

    /// Takes pathGbk as the rotation file and shows its line count.
    /// @return false, after the file-error message for the cause, when the
    ///         file cannot be opened; nothing changes then.
    bool choose(const std::string& pathGbk);
    /// The start/stop button. Refuses with a message while the send-area
    /// rotation runs or when no file has been chosen.
    void onStartStop(bool areaRotationRunning);
    /// One 10 ms tick while the port is open; does nothing while stopped.
    void tick();
    /// Sends the next line that yields a frame, skipping empty lines, lines
    /// that are not hex and lines too long to send. Stops the rotation,
    /// with a message, when the file cannot be opened or no line of it can
    /// be sent; with rotateOnce, stops after the last line.
    void fileRotationStep();

private:
    void stop();

    RotationHost& host_;
    const RotationSettings& settings_;
    const std::array<SendArea, 3>& areas_;
    AnswerWait& wait_;
    const dialog::Clock& clock_;
    // The file whose over-long line was reported: once per chosen file.
    std::string oversizeReportedFor_;
};

} // namespace quillon
