#pragma once
// One table per window from (control id, notification) to a handler.

#include "dialog/ControlSurface.h"

#include <initializer_list>
#include <vector>

namespace dialog {

template <class Owner> class MessageMap {
public:
    using Handler = void (Owner::*)();
    struct Entry {
        int id;
        Notification notification;
        Handler handler;
    };

    MessageMap(std::initializer_list<Entry> entries) : entries_(entries) {}

    /// Calls the handler bound to (id, n); false when none is.
    bool dispatch(Owner& owner, int id, Notification n) const
    {
        for (const auto& e : entries_) {
            if (e.id == id && e.notification == n) {
                (owner.*e.handler)();
                return true;
            }
        }
        return false;
    }

private:
    std::vector<Entry> entries_;
};

} // namespace dialog
