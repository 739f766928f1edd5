#include "dialog/ControlSurface.h"

#include "dialog/Gbk.h"

namespace dialog {
namespace {

char asciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool startsWithNoCase(const std::string& s, const std::string& prefix)
{
    if (prefix.size() > s.size())
        return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        // Only single-byte letters fold. A double-byte character compares
        // exactly: its second byte may look like a letter ("\x81\x61").
        if (isGbkLeadByte(s[i])) {
            if (s[i] != prefix[i] || (i + 1 < prefix.size() && s[i + 1] != prefix[i + 1]))
                return false;
            ++i;
        } else if (asciiLower(s[i]) != asciiLower(prefix[i])) {
            return false;
        }
    }
    return true;
}

} // namespace

bool ControlSurface::selectPrefix(int id, const std::string& prefix)
{
    // An empty text begins no item: an empty stored name must leave the
    // list as it is (a combo keeps its typed text), not pick the first entry.
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
