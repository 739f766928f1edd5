#pragma once
// What the window shows of the traffic: frames sent and received in the
// receive view (blue and red), the receive log, and the four counters.

#include "dialog/Clock.h"
#include "dialog/ControlSurface.h"
#include "dialog/MessageQueue.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace quillon {

/// The receive group's options, as the data exchange reads them.
struct ReceiveOptions {
    int rxHex = 1;
    int frameNewline = 0;
    int showTimestamp = 0;
    int showSent = 0;
    int keywordFilter = 0;
    std::string keyword;
    int autoClear = 1;
    int displayOn = 1;
    int saving = 0;
    std::string logPath = "data.txt";
};

/// How much the receive view holds before the auto clear empties it.
struct ViewSize {
    int charsPerLine = 84;
    int maxLines = 15;
};

struct TrafficCounters {
    std::int64_t rxBytes = 0;
    std::int64_t rxFrames = 0;
    std::int64_t txBytes = 0;
    std::int64_t txFrames = 0;
};

class TrafficView {
public:
    TrafficView(const dialog::Clock& clock, dialog::MessageQueue& messages) : clock_(clock), messages_(messages) {}
    void bind(dialog::ControlSurface& surface) { surface_ = &surface; }

    ReceiveOptions options;
    TrafficCounters counters;
    /// As the last layout set it.
    ViewSize viewSize;

    /// Echoes one sent frame (its bytes as the view shows them) into the
    /// view and the log.
    void echoSentFrame(const std::uint8_t* bytes, std::size_t count);
    /// The sent-frame echo of a text already rendered.
    void echoSentText(const std::string& text);
    /// Renders one received frame into the view (red) and the log.
    void showReceivedFrame(const std::uint8_t* bytes, std::size_t count);

    /// A line of the program's own (the port lost, the port back) in grey,
    /// on a line of its own: never logged, never counted.
    void showNote(const std::string& gbkText);

    /// Counts one frame of bytes sent and shows the counters.
    void countSent(std::size_t bytes);
    void countReceivedBytes(std::size_t bytes);
    void countReceivedFrame();
    void clearCounters();

    void clearView();
    void toggleDisplay();
    /// Logging on, to options.logPath as it stands; a failure to write is
    /// reported afresh.
    void startSaving();
    void stopSaving();
    /// A new log file: its failure is reported afresh.
    void logPathChosen() { logFailureReported_ = false; }

private:
    /// Puts decorated (stamp, marker, text) at the end of the view in colour,
    /// after the auto clear, which measures the rendered text alone, and the
    /// optional line break.
    void insertIntoView(const std::string& rendered, const std::string& decorated, dialog::Rgb colour);
    /// Appends a record to the log; a failure is reported once until an
    /// append succeeds again.
    void appendLog(const std::string& record, bool lineEnd);
    void showCounters();

    dialog::ControlSurface& surface() { return *surface_; }

    const dialog::Clock& clock_;
    dialog::MessageQueue& messages_;
    dialog::ControlSurface* surface_ = nullptr;
    // Reported once; choosing a file or switching logging on asks again.
    bool logFailureReported_ = false;
    bool noteLast_ = false; // the view ends with a note
};

} // namespace quillon
