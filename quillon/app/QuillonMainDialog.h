#pragma once
// The behaviour of Quillon's main window: its state, the data exchange with
// the controls, start-up and close, and the port connection. It sees the
// window only through dialog::ControlSurface.

#include "dialog/Clock.h"
#include "dialog/ControlSurface.h"
#include "dialog/DataExchange.h"
#include "dialog/MessageMap.h"
#include "quillon/send/AnswerWait.h"
#include "quillon/send/AreaRotation.h"
#include "quillon/send/FileRotation.h"
#include "quillon/send/RotationHost.h"
#include "quillon/send/SendArea.h"
#include "quillon/receive/FrameSplitter.h"
#include "serial/PortNames.h"
#include "serial/SerialDevice.h"

#include <array>
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace quillon {

inline constexpr const char* kProgramName = "Quillon";
inline constexpr const char* kVersion = "3.0AD";

struct WindowLayout;

class QuillonMainDialog : public dialog::DialogLogic, private RotationHost {
public:
    /// @param configDir folder of set.log and data.log (created at close
    ///        when missing).
    QuillonMainDialog(const dialog::Clock& clock, serial::PortNames ports, std::filesystem::path configDir);
    ~QuillonMainDialog() override;

    // dialog::DialogLogic
    void bind(dialog::ControlSurface& surface) override { surface_ = &surface; }
    void onInit() override;
    void dispatch(int id, dialog::Notification n) override;
    void onTimer(int id) override;
    bool onCloseRequest() override;
    void onMenuCommand(int command) override;
    void onResize(int kind, int screenWidth, int screenHeight) override;

    /// What the lamps show, as decided by the last lamp tick; the window's
    /// painters read it.
    struct Lamps {
        bool portOpen = false;
        bool txLit = false;
        bool rxLit = false;
    };
    const Lamps& lamps() const { return shownLamps_; }

    /// Whether the window is kept above others, as the last toggle click
    /// left it; the toggle's painter reads it.
    bool onTop() const { return alwaysOnTop != 0; }

    /// How much the receive view holds before the auto clear empties it, as
    /// the last layout set it.
    struct ViewSize {
        int charsPerLine = 0;
        int maxLines = 0;
    };
    ViewSize viewSize() const { return {viewCharsPerLine, viewMaxLines}; }

    /// The device the port holds: closed while the port is, and also after
    /// a failed reconfigure, while the port still counts as open. Its fd
    /// says when bytes wait for the next tick.
    const serial::SerialDevice& device() const { return portDevice; }

    /// The answer wait the rotations share.
    const AnswerWait& answerWait() const { return answerWait_; }

private:
    /// Controls to fields; false (after the message) on a bad integer edit.
    bool updateFields();
    /// A handler's change of fields, shown in the controls: the controls
    /// are read first and change runs on what they hold, and only the
    /// controls whose fields it changed are written, so nothing typed since
    /// the last read is put back to an older value, not even after a read
    /// that stopped at a bad integer.
    void updateControls(const std::function<void()>& change);

    /// Opens portName with the settings fields; shows the failure and
    /// returns false when the port cannot be opened or configured.
    bool OpenPort();
    /// The close sequence, only while portOpen; portOpen is left as it is.
    void ClosePort();
    /// The device went away while open (ec says why): the port is closed
    /// as the close button closes it, and one message names it. Nothing
    /// while the port is not open.
    void portLost(const std::error_code& ec);

    /// The main loop, every 10 ms while the port is open: controls to
    /// fields, rotations, auto-send, receive.
    void tick();
    /// Echoes one sent frame into the view (blue) and the log.
    void echoSentFrame(const std::uint8_t* bytes, std::size_t count);
    /// Sends area n (1 to 3) as it stands in the controls. Hex text of
    /// spaces alone is a frame of no bytes, echoed and counted, when
    /// emptyFrameCounts is set.
    /// @return false when the area has nothing to send: an empty text, one
    ///         that is not hex or is too long (said once per text), or, with
    ///         emptyFrameCounts unset, no bytes. True while the port is
    ///         closed, since nothing there is the area's.
    bool sendArea(int n, bool emptyFrameCounts);
    /// The rotation's send: a frame of no bytes is nothing to send.
    bool sendArea(int n) override;
    /// Lights the send lamp and writes frame; a device gone closes the
    /// port. The bytes the device took, or nothing when it took none of a
    /// frame that had some: then no frame went out.
    std::optional<std::size_t> writeFrame(const std::vector<std::uint8_t>& frame);
    /// Counts one frame of bytes sent and shows the counters.
    void countSentFrame(std::size_t bytes);
    /// Empties area n's text and rewrites every control.
    void clearArea(int n);
    /// Appends the checksum the user picks to area n's text.
    void appendChecksum(int n);
    /// Appends a record to the log; a failure is reported once until an
    /// append succeeds again.
    void appendLog(const std::string& record, bool lineEnd);

    /// Largest frame one send, or one checksum, takes.
    static constexpr std::size_t kMaxSendBytes = 4096;
    static constexpr std::size_t kMaxChecksumBytes = 1024;

    // Port settings, as list positions.
    std::string portName = "COM1";
    int baudIndex = 3;
    int dataBitsIndex = 2;
    int parityIndex = 0;
    int stopBitsIndex = 0;
    serial::SerialDevice portDevice;
    int portOpen = 0;

    std::array<SendArea, 3> areas;

    // Receive options.
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

    // Counters.
    std::int64_t rxBytes = 0;
    std::int64_t rxFrames = 0;
    std::int64_t txBytes = 0;
    std::int64_t txFrames = 0;
    int txLamp = 0;
    int rxLamp = 0;
    int viewCharsPerLine = 84;
    int viewMaxLines = 15;

    // Presentation.
    int alwaysOnTop = 0;
    int layoutNormal = 1;

    void initFields();
    void readSettingsFiles();
    bool writeSettingsFiles();
    void setOpenCaption();
    void updatePortToolTip();

    // Handlers.
    void onOpenButton();
    void onPortChanged();
    void onLineSettingChanged();
    void onAbout();
    void onClearView();
    void onDisplayToggle();
    void onClearCounters();
    void onSaveToggle();
    void onChangeFile();
    void onTopmostToggle();
    /// Timer 2: lights or dims the lamps for the next 10 ms.
    void lampTick();
    void applyLayout(const WindowLayout& layout);
    template <int N> void onSend() { sendArea(N, true); }
    template <int N> void onClearArea() { clearArea(N); }
    template <int N> void onChecksum() { appendChecksum(N); }
    template <int N> void onAutoSendBox();
    template <int N> void onTakesPartBox();

    // The receive side of the tick.
    /// Reads what waits, at most size bytes, into readBuffer; the count (0
    /// when nothing waits or no device is held).
    std::size_t pollPort(std::uint8_t* readBuffer, std::size_t size);
    void receive();
    /// Counts, filters, shows and logs a finished frame; it answers a
    /// waiting rotation whether or not it is shown.
    void endFrame(const Frame& frame);
    /// Renders one received frame into the view (red) and the log.
    void showReceivedFrame(const std::uint8_t* bytes, std::size_t count);
    bool passesKeyword(const std::uint8_t* bytes, std::size_t count);
    /// Puts decorated (stamp, marker, text) at the end of the view in colour,
    /// after the auto clear, which measures the rendered text alone, and the
    /// optional line break.
    void insertIntoView(const std::string& rendered, const std::string& decorated, dialog::Rgb colour);
    void showCounters();
    /// The sent-frame echo of a text already rendered.
    void echoSentText(const std::string& text);

    // The rotations' handlers and what they ask of the dialog.
    void onAreaRotationButton();
    void onFileRotationButton();
    /// The mode radios: the edits of the mode chosen are enabled, the
    /// other radio is unticked.
    void selectRotationMode(bool answerDriven);
    void onTimedMode() { selectRotationMode(false); }
    void onAnswerMode() { selectRotationMode(true); }
    void onRotateOnce();
    void onChooseRotationFile();
    void sendLine(const std::vector<std::uint8_t>& bytes, const std::string& text) override;
    void setControlText(int id, const std::string& gbk) override;
    void enableControl(int id, bool on) override;
    void reportMessage(const std::string& gbk, dialog::MessageIcon icon) override;

    /// Shows a message now, or after the tick when raised inside one or
    /// while another box is open, so a box never holds a tick open and is
    /// never stacked on another.
    /// detail: the box's second text (why an open failed); empty for none.
    void report(const std::string& gbkText, dialog::MessageIcon icon, int focusId = 0,
                const std::string& detail = {});
    void flushReports();
    /// A box whose answer is needed now; what ticks report meanwhile waits
    /// until it is closed.
    dialog::MessageAnswer ask(const std::string& gbkText, dialog::MessageIcon icon, dialog::MessageButtons buttons);
    /// Reports why area n's typed text is not sent, once per text.
    void refuseText(int n, const std::string& typed, const std::string& why);

    dialog::ControlSurface& surface() { return *surface_; }

    const dialog::Clock& clock_;
    serial::PortNames ports_;
    std::filesystem::path configDir_;
    dialog::ControlSurface* surface_ = nullptr;
    dialog::DataExchange exchange_;

    struct Report {
        std::string text;
        dialog::MessageIcon icon;
        int focusId;
        std::string detail;
    };
    bool inTick_ = false;
    // Held ticks: an idle tick waits for the port's descriptor (or for the
    // user) instead of running, and the lamps stop once they are dark.
    bool mainTickHeld_ = false;
    bool lampTickHeld_ = false;
    /// After a tick: holds the main tick when it has nothing to count or
    /// send, and wakes the lamps when one must light.
    void holdIdleTicks(bool readThisTick);
    /// Any user action may start work a tick does (fields read from the
    /// controls, an auto-send ticked), so it wakes the held ticks.
    void wakeTicks();
    void wakeLampsIfDue();
    bool showingReport_ = false;
    // The read before a write-back does not repeat a bad integer already
    // reported (the checksum button reads before its dialog, too).
    bool writingBack_ = false;
    std::vector<Report> pendingReports_;
    // The integer edit and text last reported from a tick: not again while
    // they stay the same.
    std::optional<std::pair<int, std::string>> reportedBadInteger_;
    // Reported once; choosing a file or switching logging on asks again.
    bool logFailureReported_ = false;
    FrameSplitter frames_;
    // A text refused (too long, not hex), per area: reported once, until
    // it changes.
    std::array<std::string, 3> refusedText_;
    std::vector<dialog::Binding> bindings_;
    RotationSettings rotation_;
    AnswerWait answerWait_;
    AreaRotation areaRotation_{*this, rotation_, areas, answerWait_, clock_};
    FileRotation fileRotation_{*this, rotation_, areas, answerWait_, clock_};
    Lamps shownLamps_;
    static const dialog::MessageMap<QuillonMainDialog> messageMap_;
};

} // namespace quillon
