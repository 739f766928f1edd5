#include "dialog/ControlSurface.h"

#include <cctype>

namespace dialog {
namespace {

bool startsWithNoCase(const std::string& s, const std::string& prefix)
{
    if (prefix.size() > s.size())
        return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        auto a = static_cast<unsigned char>(s[i]);
        auto b = static_cast<unsigned char>(prefix[i]);
        // Only ASCII letters fold: a GBK trail byte must match exactly.
        if (a < 0x80 && b < 0x80) {
            if (std::tolower(a) != std::tolower(b))
                return false;
        } else if (a != b) {
            return false;
        }
    }
    return true;
}

} // namespace

bool ControlSurface::selectPrefix(int id, const std::string& prefix)
{
    // As the platform's list search: an empty text begins no item.
    if (prefix.empty())
        return false;
    const int n = itemCount(id);
    for (int i = 0; i < n; ++i) {
        if (startsWithNoCase(itemText(id, i), prefix)) {
            select(id, i);
            return true;
        }
    }
    return false;
}

std::string ControlSurface::selectedText(int id) const
{
    const int pos = selection(id);
    return pos < 0 ? std::string() : itemText(id, pos);
}

} // namespace dialog
