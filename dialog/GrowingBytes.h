#pragma once
// Bytes in one block that grows without copying what it already holds. A
// receive area's text reaches tens of megabytes; a std::string that
// doubles copies it all into a new block whose every page faults in, and
// the window stalls for a tenth of a second at each doubling. Past a
// megabyte the block is a mapping of its own that grows by remapping its
// pages.

#include <cstddef>
#include <string>
#include <string_view>

namespace dialog {

class GrowingBytes {
public:
    GrowingBytes() = default;
    GrowingBytes(const GrowingBytes& other) { assign(other.view()); }
    GrowingBytes& operator=(const GrowingBytes& other);
    GrowingBytes(GrowingBytes&& other) noexcept { swap(other); }
    GrowingBytes& operator=(GrowingBytes&& other) noexcept;
    GrowingBytes& operator=(std::string_view bytes)
    {
        assign(bytes);
        return *this;
    }
    ~GrowingBytes();

    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    const char* data() const { return data_ ? data_ : ""; }
    char operator[](std::size_t i) const { return data_[i]; }
    std::string_view view() const { return {data(), size_}; }
    operator std::string_view() const { return view(); }
    std::string str() const { return std::string(view()); }

    /// Replaces count bytes at from (both within the bytes) with the given ones.
    void replace(std::size_t from, std::size_t count, std::string_view with);
    void assign(std::string_view bytes) { replace(0, size_, bytes); }
    void append(std::string_view bytes) { replace(size_, 0, bytes); }
    GrowingBytes& operator+=(std::string_view bytes)
    {
        append(bytes);
        return *this;
    }
    void clear() { assign({}); }

    friend bool operator==(const GrowingBytes& a, std::string_view b) { return a.view() == b; }

private:
    void resize(std::size_t capacity);
    void swap(GrowingBytes& other) noexcept;

    char* data_ = nullptr;
    std::size_t size_ = 0;
    std::size_t capacity_ = 0;
    bool mapped_ = false; // data_ is a mapping of its own, not from malloc
};

} // namespace dialog
