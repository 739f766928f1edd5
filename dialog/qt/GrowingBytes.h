#pragma once
// Bytes in one block that grows through realloc. A receive view's text
// reaches tens of megabytes; a std::string that outgrows 32 MB copies it
// all into a new block whose every page faults in, and the window stalls
// for a tenth of a second. realloc moves a block that large by remapping
// its pages, without a copy.

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string_view>
#include <utility>

namespace dialog::qt {

class GrowingBytes {
public:
    GrowingBytes() = default;
    GrowingBytes(const GrowingBytes& other) { assign(other.view()); }
    GrowingBytes& operator=(const GrowingBytes& other)
    {
        if (this != &other)
            assign(other.view());
        return *this;
    }
    GrowingBytes(GrowingBytes&& other) noexcept { swap(other); }
    GrowingBytes& operator=(GrowingBytes&& other) noexcept
    {
        swap(other);
        return *this;
    }
    ~GrowingBytes() { std::free(data_); }

    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    const char* data() const { return data_ ? data_ : ""; }
    char operator[](std::size_t i) const { return data_[i]; }
    std::string_view view() const { return {data(), size_}; }

    /// Replaces count bytes at from (both within the bytes) with the given ones.
    void replace(std::size_t from, std::size_t count, std::string_view with)
    {
        const std::size_t tail = size_ - from - count;
        const std::size_t size = size_ - count + with.size();
        if (size > capacity_)
            resize(std::max({size, 2 * capacity_, kFirst}));
        if (tail > 0 && with.size() != count)
            std::memmove(data_ + from + with.size(), data_ + from + count, tail);
        if (!with.empty())
            std::memcpy(data_ + from, with.data(), with.size());
        size_ = size;
        // A cleared view gives back what its old text held.
        if (capacity_ > kFirst && size_ < capacity_ / 4)
            resize(std::max(2 * size_, kFirst));
    }

    void assign(std::string_view bytes) { replace(0, size_, bytes); }

private:
    static constexpr std::size_t kFirst = 4096;

    void resize(std::size_t capacity)
    {
        void* grown = std::realloc(data_, capacity);
        if (!grown)
            throw std::bad_alloc();
        data_ = static_cast<char*>(grown);
        capacity_ = capacity;
    }

    void swap(GrowingBytes& other) noexcept
    {
        std::swap(data_, other.data_);
        std::swap(size_, other.size_);
        std::swap(capacity_, other.capacity_);
    }

    char* data_ = nullptr;
    std::size_t size_ = 0;
    std::size_t capacity_ = 0;
};

} // namespace dialog::qt
