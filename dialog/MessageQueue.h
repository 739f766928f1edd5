#pragma once
// The one path a window's messages take to the screen. A box raised inside
// a tick, or while another box is open, waits until the tick is over or the
// box is closed, so a box never holds a tick open and is never stacked on
// another; one already waiting is not queued twice.

#include "dialog/ControlSurface.h"

#include <string>
#include <vector>

namespace dialog {

class MessageQueue {
public:
    /// @param caption the title of every box (the program's name).
    explicit MessageQueue(std::string caption) : caption_(std::move(caption)) {}

    void bind(ControlSurface& surface) { surface_ = &surface; }

    /// Shows a message now, or queues it inside a tick or while a box is
    /// open. Nothing is queued when the same box already waits.
    /// @param focusId the control focused once the box is closed; 0 none.
    /// @param detail the box's second text (why an open failed); empty none.
    /// @param caption the box's title when not the queue's (GBK); empty the queue's.
    void report(const std::string& gbkText, MessageIcon icon, int focusId = 0, const std::string& detail = {},
                const std::string& caption = {});
    /// Shows what waits, first in first out, unless a box is open already:
    /// that box's caller shows it once the box is closed.
    void flush();
    /// A box whose answer is needed now; what ticks report meanwhile waits
    /// until it is closed.
    MessageAnswer ask(const std::string& gbkText, MessageIcon icon, MessageButtons buttons);

    /// Between these, reports wait for the next flush().
    void beginTick() { inTick_ = true; }
    void endTick() { inTick_ = false; }
    bool inTick() const { return inTick_; }
    /// Whether a box of this queue is on screen.
    bool showing() const { return showing_; }

private:
    struct Message {
        std::string text;
        MessageIcon icon;
        int focusId;
        std::string detail;
        std::string caption;
    };

    std::string caption_;
    ControlSurface* surface_ = nullptr;
    std::vector<Message> pending_;
    bool inTick_ = false;
    bool showing_ = false;
};

} // namespace dialog
