// The ports between the user's own actions: the port list follows the
// openable ports as devices and links come and go, and with reconnect on
// a port whose device went away stays in use until the device is back.

#include "dialog/Gbk.h"
#include "veltra/app/VeltraIds.h"
#include "veltra/app/VeltraMainDialog.h"

#include <algorithm>

namespace veltra {

using dialog::gbk;

namespace {

// Drawn apart from the received text, which the area shows in black.
constexpr dialog::Rgb kNoteColour{128, 128, 128};

} // namespace

void VeltraMainDialog::startFollowingPorts()
{
    surface().startTimer(WatchTimer, serial::Reconnect::kRetryMs);
    surface().pauseTimerUntilReadable(WatchTimer, follow_.fd());
}

void VeltraMainDialog::onPortWatch()
{
    const serial::PortFollow::Tick t = follow_.tick();
    if (t.portsChanged)
        fillPortList();
    if (t.reopened)
        deviceBack();
    if (!t.beatAgain)
        surface().pauseTimerUntilReadable(WatchTimer, follow_.fd());
}

void VeltraMainDialog::fillPortList()
{
    dialog::ControlSurface& s = surface();
    std::vector<std::string> shown;
    for (int i = 0, n = s.itemCount(PortList); i < n; ++i)
        shown.push_back(s.itemText(PortList, i));
    const std::vector<std::string> names = probePorts(shown);
    // The port in use is listed whether or not a probe could open it.
    std::vector<std::string> wanted = names;
    const std::string chosen = s.selectedText(PortList);
    if (portOpen_ && !chosen.empty() && std::find(wanted.begin(), wanted.end(), chosen) == wanted.end()) {
        const auto number = [](const std::string& name) { return serial::portNumber(name).value_or(0); };
        const auto at = std::find_if(wanted.begin(), wanted.end(),
                                     [&](const std::string& name) { return number(name) > number(chosen); });
        wanted.insert(at, chosen);
    }
    if (wanted != shown) {
        s.clearList(PortList);
        for (std::size_t i = 0; i < wanted.size(); ++i)
            s.insertItem(PortList, static_cast<int>(i), wanted[i]);
        const auto kept = std::find(wanted.begin(), wanted.end(), chosen);
        if (kept != wanted.end())
            s.select(PortList, static_cast<int>(kept - wanted.begin()));
        else if (!wanted.empty())
            s.select(PortList, 0);
    }
    // The probe has just looked at every device; only the port in use,
    // listed without it, needs a look of its own.
    const auto described = [&](const std::string& name) {
        const int n = serial::portNumber(name).value_or(0);
        const ProbedPort& probed = portProbeTable_[static_cast<std::size_t>(n)];
        std::string text = probed.present ? probed.description : ports_.describe(name);
        // A serial server's open port: whose line settings hold, or what
        // the server left unanswered.
        if (portOpen_ && session_.isOpen() && name == session_.portName() && !session_.notes().empty())
            text += " · " + session_.notes();
        return text;
    };
    for (std::size_t i = 0; i < wanted.size(); ++i)
        s.setItemToolTip(PortList, static_cast<int>(i), dialog::toGbk(described(wanted[i])));
    const std::string selected = s.selectedText(PortList);
    s.setToolTip(PortList, selected.empty() ? std::string() : dialog::toGbk(described(selected)));
}

void VeltraMainDialog::waitForDevice()
{
    const std::string name = session_.portName();
    // Reading stops with the device; the timed send goes on, and writes
    // nothing while the port waits.
    surface().stopTimer(PollTimer);
    session_.close();
    follow_.reconnect().begin();
    showNote(gbk(serial::lostMark(name, clock_.localNow())));
    surface().setText(StatusText, gbk(serial::waitingText(name)));
    surface().startTimer(WatchTimer, serial::Reconnect::kRetryMs);
}

void VeltraMainDialog::deviceBack()
{
    showNote(gbk(serial::kBackMark));
    surface().setText(StatusText, gbk("串口打开"));
    streaming_ = false;
    lastReadMs_ = clock_.monotonicMs() - kPollMs;
    surface().startTimer(PollTimer, kPollMs);
}

void VeltraMainDialog::showNote(const std::string& gbkText)
{
    // On a line of its own; shown, never counted.
    dialog::ControlSurface& s = surface();
    showReceivePiece({});
    const bool atLineStart = s.textLength(ReceiveArea) == 0 || s.text(ReceiveArea).back() == '\n';
    s.appendRich(ReceiveArea, (atLineStart ? "" : "\r\n") + gbkText + "\r\n", kNoteColour);
    s.scrollToEnd(ReceiveArea);
}

} // namespace veltra
