#pragma once
// The behaviour of Quillon's main window: the parts it owns (port session,
// message queue, send areas, receive path, traffic view, rotations, lamps,
// layout, stored settings), the data exchange with the controls, and the
// handlers and tick that wire them. It sees the window only through
// dialog::ControlSurface.

#include "dialog/Clock.h"
#include "dialog/ControlSurface.h"
#include "dialog/DataExchange.h"
#include "dialog/MessageMap.h"
#include "dialog/MessageQueue.h"
#include "dialog/StoredSwitch.h"
#include "quillon/app/Lamps.h"
#include "quillon/app/StoredSettings.h"
#include "quillon/app/WindowLayout.h"
#include "quillon/receive/ReceivePath.h"
#include "quillon/receive/TrafficView.h"
#include "quillon/send/AnswerWait.h"
#include "quillon/send/AreaRotation.h"
#include "quillon/send/FileRotation.h"
#include "quillon/send/RotationHost.h"
#include "quillon/send/SendAreas.h"
#include "serial/PortFollow.h"
#include "serial/PortNames.h"
#include "serial/PortSession.h"
#include "serial/SerialDevice.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

namespace quillon {

inline constexpr const char* kProgramName = "Quillon";
inline constexpr const char* kVersion = "3.0AD";

class QuillonMainDialog : public dialog::DialogLogic, private RotationHost, private SendHost {
public:
    /// @param configDir folder of set.log and data.log (created at close
    ///        when missing).
    QuillonMainDialog(const dialog::Clock& clock, serial::PortNames ports, std::filesystem::path configDir);
    ~QuillonMainDialog() override;

    // dialog::DialogLogic
    void bind(dialog::ControlSurface& surface) override;
    void onInit() override;
    void dispatch(int id, dialog::Notification n) override;
    void onTimer(int id) override;
    bool onCloseRequest() override;
    void onMenuCommand(int command) override;
    void onResize(int kind, int screenWidth, int screenHeight) override;

    using Lamps = quillon::Lamps::Shown;
    const Lamps& lamps() const { return lamps_.shown(); }

    /// Whether the window is kept above others, as the last toggle click
    /// left it; the toggle's painter reads it.
    bool onTop() const { return alwaysOnTop_; }

    using ViewSize = quillon::ViewSize;
    ViewSize viewSize() const { return traffic_.viewSize; }

    /// The device the port holds: closed while the port is, and also after
    /// a failed reconfigure, while the port still counts as open. Its fd
    /// says when bytes wait for the next tick.
    const serial::SerialDevice& device() const { return session_.device(); }
    /// The port session: its fd() says when bytes (or a remote open's
    /// outcome) wait.
    const serial::PortSession& session() const { return session_; }

    /// The answer wait the rotations share.
    const AnswerWait& answerWait() const { return answerWait_; }

    /// Whether a port lost while open is to be opened again, as the menu
    /// entry "断线自动重连" was last left (kept in quillon.conf).
    bool autoReconnect() const { return autoReconnect_.on(); }

private:
    /// Controls to fields; false (after the message) on a bad integer edit.
    bool updateFields();
    /// A handler's change of fields, shown in the controls: the controls
    /// are read first and change runs on what they hold, and only the
    /// controls whose fields it changed are written, so nothing typed since
    /// the last read is put back to an older value, not even after a read
    /// that stopped at a bad integer.
    void updateControls(const std::function<void()>& change);

    // The port (MainDialogPort.cpp).
    /// Opens the chosen port with the chosen line; shows the failure and
    /// returns false when it cannot be opened or set up. A remote port
    /// connects in the background: false too, and onPortConnect() ends it.
    bool openPort();
    /// The failure of an open worded for the user; true when it opened.
    bool reportOpen(const serial::PortSession::Result& opened);
    /// A background open is done or has more to do.
    void onPortConnect();
    /// An open still connecting is given up (a change of port).
    void abandonConnect();
    /// The close sequence, only while portOpen_; portOpen_ is left as it is.
    void closePort();
    /// The device went away while open (ec says why): the port is closed
    /// as the close button closes it, and one message names it. Nothing
    /// while the port is not open.
    void portLost(const std::error_code& ec);
    void setOpenCaption();
    void updatePortToolTip();
    void onOpenButton();
    void onPortChanged();
    void onLineSettingChanged();

    // Between the user's actions (MainDialogFollow.cpp).
    /// Holds the port watch until a device or a link changes.
    void startFollowingPorts();
    /// The port watch's tick: tooltips follow the change, a waited-for
    /// device is reopened.
    void onPortWatch();
    /// What the name stands for, for its tooltip (UTF-8); "" for nothing.
    std::string portDescription(const std::string& name, const std::map<int, std::filesystem::path>& devices) const;
    /// With reconnect on, the device went away: the port stays in use and
    /// waits for it, with a mark in the view.
    void waitForDevice();
    void deviceBack();
    /// The user closed the port, or turned reconnect off, while it waited.
    void endWait();
    void endWaitLook();
    bool waitingForDevice() const { return follow_.reconnect().waiting(); }

    /// The main loop, every 10 ms while the port is open: controls to
    /// fields, rotations, auto-send, receive.
    void tick();
    /// After a tick: holds the main tick when it has nothing to count or
    /// send, and wakes the lamps when one must light.
    void holdIdleTicks(bool readThisTick);
    /// Any user action may start work a tick does (fields read from the
    /// controls, an auto-send ticked), so it wakes the held ticks.
    void wakeTicks();

    /// Sends area n (1 to 3) as it stands in the controls (SendAreas::send).
    bool sendArea(int n, bool emptyFrameCounts);
    /// Appends the checksum the user picks to area n's text.
    void appendChecksum(int n);

    // SendHost
    bool portOpen() const override { return portOpen_; }
    std::optional<std::size_t> writeFrame(const std::vector<std::uint8_t>& frame) override;

    // RotationHost
    /// The rotation's send: a frame of no bytes is nothing to send.
    bool sendArea(int n) override { return sendArea(n, false); }
    void sendLine(const std::vector<std::uint8_t>& bytes, const std::string& text) override;
    void setControlText(int id, const std::string& gbk) override { surface().setText(id, gbk); }
    void enableControl(int id, bool on) override { surface().enable(id, on); }
    void reportMessage(const std::string& gbk, dialog::MessageIcon icon) override { messages_.report(gbk, icon); }

    // Handlers.
    void onAbout();
    void onClearView() { traffic_.clearView(); }
    void onDisplayToggle() { traffic_.toggleDisplay(); }
    void onClearCounters() { traffic_.clearCounters(); }
    void onSaveToggle();
    void onChangeFile();
    void onTopmostToggle();
    template <int N> void onSend() { sendArea(N, true); }
    template <int N> void onClearArea()
    {
        updateControls([&] { sends_.area(N).text.clear(); });
    }
    template <int N> void onChecksum() { appendChecksum(N); }
    template <int N> void onAutoSendBox() { sends_.onAutoSendBox(N); }
    template <int N> void onTakesPartBox() { sends_.onTakesPartBox(N); }
    void onAreaRotationButton();
    void onFileRotationButton();
    /// The mode radios: the edits of the mode chosen are enabled, the
    /// other radio is unticked.
    void selectRotationMode(bool answerDriven);
    void onTimedMode() { selectRotationMode(false); }
    void onAnswerMode() { selectRotationMode(true); }
    void onRotateOnce();
    void onChooseRotationFile();

    dialog::ControlSurface& surface() { return *surface_; }

    const dialog::Clock& clock_;
    serial::PortNames ports_;
    dialog::ControlSurface* surface_ = nullptr;
    dialog::DataExchange exchange_;
    std::vector<dialog::Binding> bindings_;
    dialog::MessageQueue messages_{kProgramName};
    serial::PortSession session_{ports_};
    serial::PortFollow follow_{session_, ports_.linksDir()};
    dialog::StoredSwitch autoReconnect_; // before stored_, which takes the folder's path
    StoredSettings stored_;
    PortChoice port_;
    bool portOpen_ = false;
    bool alwaysOnTop_ = false;

    TrafficView traffic_{clock_, messages_};
    AnswerWait answerWait_;
    ReceivePath receive_{traffic_, answerWait_};
    SendAreas sends_{*this, traffic_, messages_};
    RotationSettings rotation_;
    AreaRotation areaRotation_{*this, rotation_, sends_.areas, answerWait_, clock_};
    FileRotation fileRotation_{*this, rotation_, sends_.areas, answerWait_, clock_};
    quillon::Lamps lamps_;
    LayoutSwitch layout_;

    // Held ticks: an idle tick waits for the port's descriptor (or for the
    // user) instead of running.
    bool mainTickHeld_ = false;
    // The read before a write-back does not repeat a bad integer already
    // reported (the checksum button reads before its dialog, too).
    bool writingBack_ = false;
    // The integer edit and text last reported from a tick: not again while
    // they stay the same.
    std::optional<std::pair<int, std::string>> reportedBadInteger_;

    static const dialog::MessageMap<QuillonMainDialog> messageMap_;
};

} // namespace quillon
