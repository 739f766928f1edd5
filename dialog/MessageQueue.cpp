#include "dialog/MessageQueue.h"

namespace dialog {

void MessageQueue::report(const std::string& gbkText, MessageIcon icon, int focusId, const std::string& detail,
                          const std::string& caption)
{
    const std::string& title = caption.empty() ? caption_ : caption;
    for (const Message& m : pending_)
        if (m.text == gbkText && m.detail == detail && m.caption == title)
            return;
    pending_.push_back({gbkText, icon, focusId, detail, title});
    if (!inTick_)
        flush();
}

void MessageQueue::flush()
{
    // Ticks go on while a box is open, whoever opened it; what they report
    // waits here and is shown by the loop of the box already open, one box
    // at a time.
    if (showing_)
        return;
    showing_ = true;
    while (!pending_.empty()) {
        const Message m = pending_.front();
        pending_.erase(pending_.begin());
        surface_->messageBox(m.text, m.caption, m.icon, MessageButtons::Ok, m.detail);
        if (m.focusId)
            surface_->focus(m.focusId);
    }
    showing_ = false;
}

MessageAnswer MessageQueue::ask(const std::string& gbkText, MessageIcon icon, MessageButtons buttons)
{
    const bool outermost = !showing_;
    showing_ = true;
    const MessageAnswer answer = surface_->messageBox(gbkText, caption_, icon, buttons);
    if (outermost) {
        showing_ = false;
        flush();
    }
    return answer;
}

} // namespace dialog
