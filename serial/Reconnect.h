#pragma once
// After the open device went away: waits for its name to stand for a
// present device again and reopens it with the setup it had. A change of
// the devices or of the links wakes the wait. A device node may show
// before it can be opened (its owner and mode are set after it appears),
// so a change that finds the name not yet openable is tried again at a
// short beat for a while; then the wait sleeps until the next change, so
// waiting costs nothing while nothing happens. A serial server's port is
// tried on once a second for as long as the wait lasts: nothing here sees
// a server come back.

#include "serial/PortSession.h"

#include <ctime>
#include <string>

namespace serial {

class Reconnect {
public:
    /// The beat of the tries after a change, and how many it makes.
    static constexpr int kRetryMs = 100;
    static constexpr int kRetries = 20;
    /// A remote port is tried at every kRemoteBeats-th beat.
    static constexpr int kRemoteBeats = 10;

    /// @param session the session whose device went away; it must outlive this.
    explicit Reconnect(PortSession& session) : session_(session) {}

    /// The device went away: the wait starts, with a round of tries (the
    /// device may be back before its change is seen).
    void begin();
    /// The user closed the port: no more tries.
    void end();
    bool waiting() const { return waiting_; }

    struct Step {
        bool reopened = false;
        /// Whether the caller should try again after kRetryMs; otherwise
        /// the next try comes with the next change seen.
        bool beatAgain = false;
    };
    /// A change was seen (changed), or the beat came: tries to reopen once
    /// while waiting.
    Step next(bool changed);

private:
    PortSession& session_;
    bool waiting_ = false;
    int retries_ = 0;
    int beats_ = 0;
};

// What both programs show of a wait, in UTF-8, so that the two cannot
// drift apart.
/// The receive view's mark of the loss: "—— COM3 已断开 hh:mm:ss ——".
std::string lostMark(const std::string& portName, const std::tm& at);
/// The mark of the reopen.
inline constexpr const char* kBackMark = "—— 已重新连接 ——";
/// The status while waiting: "等待COM3重新连接…".
std::string waitingText(const std::string& portName);

} // namespace serial
