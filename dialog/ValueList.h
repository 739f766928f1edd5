#pragma once
// What the positions of a list mean: each entry is the caption the list
// shows and the value the logic takes for it. The window's table and the
// logic read the same entries, so a position cannot mean two things.

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace dialog {

template <class T> struct ListEntry {
    const char* caption; // UTF-8, as in the window tables
    T value;
};

/// The captions in list order, for a window table.
template <class T, std::size_t N> std::vector<std::string> captionsOf(const ListEntry<T> (&list)[N])
{
    std::vector<std::string> captions;
    captions.reserve(N);
    for (const auto& e : list)
        captions.emplace_back(e.caption);
    return captions;
}

/// The value at a list position; nothing for -1 (no selection) or a
/// position past the end.
template <class T, std::size_t N> std::optional<T> valueAt(const ListEntry<T> (&list)[N], int pos)
{
    if (pos < 0 || static_cast<std::size_t>(pos) >= N)
        return std::nullopt;
    return list[pos].value;
}

/// The position of the first entry holding value; -1 when none does.
template <class T, std::size_t N> constexpr int positionOf(const ListEntry<T> (&list)[N], const T& value)
{
    for (std::size_t i = 0; i < N; ++i)
        if (list[i].value == value)
            return static_cast<int>(i);
    return -1;
}

} // namespace dialog
