#pragma once
// The behaviour of Veltra's main window: its state and data exchange,
// start-up, port discovery and connection, the receive poll and typed
// send, the send paths, the save and the command builder. It sees the
// window only through dialog::ControlSurface.

#include "dialog/Clock.h"
#include "dialog/ControlSurface.h"
#include "dialog/DataExchange.h"
#include "dialog/MessageMap.h"
#include "dialog/MessageQueue.h"
#include "dialog/StoredSwitch.h"
#include "serial/PortFollow.h"
#include "serial/PortNames.h"
#include "serial/PortSession.h"
#include "serial/SerialDevice.h"
#include "veltra/app/HexText.h"
#include "veltra/app/VeltraIds.h"
#include "veltra/command/CommandCatalogue.h"

#include <array>
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace veltra {

inline constexpr const char* kProgramName = "Veltra";

/// Most bytes one read of a poll takes; a poll reads again while its
/// reads come back full.
inline constexpr std::size_t kReadChunk = 1000;
/// Period of the receive poll, in milliseconds.
inline constexpr int kPollMs = 3;
/// Height in pixels of one receive-area line for the auto clear.
inline constexpr int kAutoClearLineHeight = 12;

/// The text of a device-address entry may not be longer than this.
inline constexpr int kAddressMaxChars = 11;

/// The bytes as the receive area shows them: "%02X " per byte in hex, the
/// byte itself otherwise, with a zero byte showing nothing.
std::string renderReceived(const std::uint8_t* bytes, std::size_t count, bool hex);
/// "[%Y.%m.%d.%H:%M:%S]".
std::string receiveTimeStamp(const std::tm& local);
/// The whole character (one or two GBK bytes) that ends just before byte
/// position pos of text; at position 0 the first character; "" for an
/// empty text.
std::string characterBefore(std::string_view text, std::size_t pos);
/// What is wrong with hex text at fault, GBK: "第3个字符“G”不是十六进制数字",
/// counting characters (a double-byte one is one) from 1.
std::string hexFaultText(std::string_view text, const HexFault& fault);

/// The program's own switches in its configuration folder, "name=value"
/// lines (dialog/StoredSwitch.h).
inline constexpr const char* kSwitchFile = "veltra.conf";

/// A port the start-up probe tried.
struct ProbedPort {
    std::string name; // "COMn"
    bool present = false;
    std::string description; // what it stands for, for its tooltip (UTF-8)
};

class VeltraMainDialog : public dialog::DialogLogic {
public:
    /// @param configDir folder of veltra.conf (made when the switch is
    ///        first written); empty: nothing is kept between runs.
    VeltraMainDialog(const dialog::Clock& clock, serial::PortNames ports, const std::filesystem::path& configDir = {});
    ~VeltraMainDialog() override;

    // dialog::DialogLogic
    void bind(dialog::ControlSurface& surface) override
    {
        surface_ = &surface;
        messages_.bind(surface);
    }
    void onInit() override;
    void dispatch(int id, dialog::Notification n) override;
    void onTimer(int id) override;
    /// Escape and the close box end the program, after asking when the
    /// receive area holds received data no save has written; the port is
    /// left to be released with it.
    bool onCloseRequest() override;
    void onMenuCommand(int command) override;

    /// The bound values, as the last read of the controls left them.
    struct BoundValues {
        std::string sendText = kWebAddress;
        bool appendNewline = false;
        bool timedSend = false;
        std::string periodText = "500";
        std::string quickText1, quickText2, quickText3;
        std::string commandPreview;
        std::string deviceAddressText;
        std::string parameterText;
    };
    const BoundValues& boundValues() const { return bound_; }

    bool isPortOpen() const { return portOpen_; }
    const serial::SerialDevice& port() const { return session_.device(); }
    /// The port session: its fd() says when bytes (or a remote open's
    /// outcome) wait.
    const serial::PortSession& session() const { return session_; }
    /// The start-up probe, by port number (entry 0 unused).
    const std::array<ProbedPort, 256>& probedPorts() const { return portProbeTable_; }
    std::int64_t receivedCount() const { return receivedTotal_; }
    std::int64_t sentCount() const { return sentTotal_; }
    /// What the receive area shows, GBK, CR LF breaks, with the first byte
    /// of a double-byte character whose second has not come yet: what a
    /// save writes. The area keeps it, read through the surface.
    std::string receiveText() const;
    /// Whether a port lost while open is to be opened again, as the menu
    /// entry "断线自动重连" was last left (kept in veltra.conf).
    bool autoReconnect() const { return autoReconnect_.on(); }
    /// The command type last chosen; None until the first choice.
    command::CommandKind commandType() const { return commandType_; }
    /// Hex text of the parameter the frame carries.
    const std::string& parameterBytes() const { return parameterBytes_; }

private:
    /// Controls to bound values, in the window's order; false (after the
    /// message) when the device address is too long.
    bool refreshFromControls();
    /// Bound values to controls.
    void refreshToControls();
    /// Shows "串口未打开！" and answers false when no port is open.
    bool requireOpenPort();
    /// Adds n to the sent count and shows it.
    void countSent(std::int64_t n);
    /// Composes the frame of type from the builder's state and the two
    /// check boxes into the preview and its edit; an empty preview for
    /// CommandKind::None. Reads no bound values.
    void buildCommandPreview(command::CommandKind type);

    /// A warning under the caption "提示信息", as the send paths' refusals have.
    void showNotice(const std::string& gbkText);
    void discoverPorts();
    /// The ports a probe can open now, in order, those of listedBefore that
    /// still stand for a device without a probe; notes them in the probe
    /// table.
    std::vector<std::string> probePorts(const std::vector<std::string>& listedBefore);
    void fillLists();

    // Between the user's actions (VeltraFollow.cpp).
    /// Holds the port watch until a device or a link changes.
    void startFollowingPorts();
    /// The port watch's tick: the list follows the change, a waited-for
    /// device is reopened.
    void onPortWatch();
    /// Lists the openable ports again, the chosen one kept while it is
    /// there, and names their devices in the tooltips.
    void fillPortList();
    /// With reconnect on, the device went away: the port stays in use and
    /// waits for it, with a mark in the area.
    void waitForDevice();
    void deviceBack();
    /// A line of the program's own in the receive area, in grey; never counted.
    void showNote(const std::string& gbkText);
    bool waitingForDevice() const { return follow_.reconnect().waiting(); }
    void connectPort();
    /// The outcome of an open: the port in use, or the failure's message.
    void connected(const serial::PortSession::Result& opened);
    /// A background open (a serial server's port) is done or goes on.
    void onConnectTimer();
    void disconnectPort();
    /// The device went away while open (ec says why): disconnects as the
    /// button does, then one message names the port.
    void portLost(const std::error_code& ec);
    void write(const std::uint8_t* bytes, std::size_t count);
    /// Sends text, or the bytes it holds as hex; hex that is not whole
    /// bytes is refused with a message naming where (source names the
    /// place it came from) and nothing is written.
    bool sendText_(const std::string& text, bool hex, const char* source);
    void sendMain(bool timed);

    // Receive area bookkeeping: the area keeps the received text, the
    // program only the half character it cannot show yet. The user's
    // changes are taken when a handler reads the controls, and undone by
    // the surface when the typed send puts back what was received.
    void readReceiveArea();
    /// The program writes to the area from now on: the user's changes it
    /// holds stay.
    void keepUserChanges();
    /// Shows piece after what the area holds; with restart, instead of it.
    void showReceivePiece(const std::string& piece, bool restart = false);
    /// Counts, renders and shows the got bytes of one read in readBuffer_.
    void showRead(std::size_t got);
    /// Sets the area to text's whole characters; the rest waits.
    void showWholeReceive(std::string text);

    // Handlers.
    void onConnectButton();
    void onPollTick();
    void settleQuietBurstEnd();
    void onClearReceive();
    void onReceiveEdited();
    void onSend();
    void onQuickSend1();
    void onQuickSend2();
    void onQuickSend3();
    void onClearSend();
    void onTimedSendCheck();
    void onSave();
    void onRefreshOnly();
    void onAbout();
    void onCommandTypeSelected();
    void onDeviceAddressSelected();
    void onDeviceAddressEdited();
    void onFunctionSelected();
    void onParameterSelected();
    void onParameterEdited();
    void onCommandOptionClicked();
    void sendCommand();
    void emptyParameterList();

    dialog::ControlSurface& surface() { return *surface_; }

    const dialog::Clock& clock_;
    serial::PortNames ports_;
    // Why the first present port was refused at the probe: with the list
    // left empty, that is the reason a connect fails (most often EACCES).
    std::error_code probeRefusal_;
    dialog::ControlSurface* surface_ = nullptr;
    dialog::DataExchange exchange_;
    std::vector<dialog::Binding> bindings_;
    // A handler took in the user's changes to the area: the typed send
    // puts back what it held before, with viewPending_ as it was then.
    bool userChangesTaken_ = false;
    std::string pendingBeforeUser_;
    // The last byte of receiveText when it is the first half of a
    // double-byte character; the area gets it with its second half.
    std::string viewPending_;
    // The frame the preview shows, and what the send says instead of
    // sending it (GBK; empty when it may go).
    std::vector<std::uint8_t> commandFrame_;
    std::string commandRefusal_;
    // The send area's hex text a timed send last refused: each period
    // refuses it again silently, so one box, not one per period.
    std::optional<std::string> refusedTimedText_;
    // Bytes came into the receive area since the last save or clear.
    bool unsavedReceive_ = false;
    std::vector<std::uint8_t> readBuffer_ = std::vector<std::uint8_t>(kReadChunk);
    // The poll sleeps with burstPending still set: its line break was off.
    bool quietBurstEnd_ = false;
    bool fullReadBefore_ = false;
    // Bytes come sooner than a period apart: the poll keeps its period
    // until a tick finds nothing, instead of waking at each arrival.
    bool streaming_ = false;
    std::int64_t lastReadMs_ = 0;
    BoundValues bound_;

    std::array<ProbedPort, 256> portProbeTable_;
    dialog::MessageQueue messages_{kProgramName};
    serial::PortSession session_{ports_};
    serial::PortFollow follow_{session_, ports_.linksDir()};
    bool portOpen_ = false;
    dialog::StoredSwitch autoReconnect_;

    // Receive and counters. The counters are 64-bit: a long run never
    // shows a negative count.
    std::int64_t receivedTotal_ = 0;
    std::int64_t sentTotal_ = 0;
    std::string burstText_;
    bool burstPending_ = false;

    // Command builder: the type, None until the user first chooses one,
    // and the hex text of the parameter the frame carries, changed only by
    // choosing or typing a parameter.
    command::CommandKind commandType_ = command::CommandKind::None;
    std::string parameterBytes_;
    static const dialog::MessageMap<VeltraMainDialog> messageMap_;
};

} // namespace veltra
