#include "dialog/GrowingBytes.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>

namespace dialog {
namespace {

constexpr std::size_t kFirst = 4096;
// From here on a block is mapped on its own: remapping moves page tables,
// not bytes.
constexpr std::size_t kMapped = std::size_t{1} << 20;
constexpr std::size_t kPage = 4096;

std::size_t wholePages(std::size_t n) { return (n + kPage - 1) / kPage * kPage; }

} // namespace

GrowingBytes& GrowingBytes::operator=(const GrowingBytes& other)
{
    if (this != &other)
        assign(other.view());
    return *this;
}

GrowingBytes& GrowingBytes::operator=(GrowingBytes&& other) noexcept
{
    swap(other);
    return *this;
}

GrowingBytes::~GrowingBytes()
{
    if (mapped_)
        ::munmap(data_, capacity_);
    else
        std::free(data_);
}

void GrowingBytes::replace(std::size_t from, std::size_t count, std::string_view with)
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
    // A cleared text gives back what it held.
    if (capacity_ > kFirst && size_ < capacity_ / 4)
        resize(std::max(2 * size_, kFirst));
}

void GrowingBytes::resize(std::size_t capacity)
{
    char* block = nullptr;
    if (capacity >= kMapped) {
        capacity = wholePages(capacity);
        void* p = mapped_ ? ::mremap(data_, capacity_, capacity, MREMAP_MAYMOVE)
                          : ::mmap(nullptr, capacity, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (p == MAP_FAILED)
            throw std::bad_alloc();
        block = static_cast<char*>(p);
        if (!mapped_ && size_ > 0)
            std::memcpy(block, data_, size_);
        if (!mapped_)
            std::free(data_);
        mapped_ = true;
    } else if (mapped_) {
        block = static_cast<char*>(std::malloc(capacity));
        if (!block)
            throw std::bad_alloc();
        std::memcpy(block, data_, std::min(size_, capacity));
        ::munmap(data_, capacity_);
        mapped_ = false;
    } else {
        block = static_cast<char*>(std::realloc(data_, capacity));
        if (!block)
            throw std::bad_alloc();
    }
    data_ = block;
    capacity_ = capacity;
}

void GrowingBytes::swap(GrowingBytes& other) noexcept
{
    std::swap(data_, other.data_);
    std::swap(size_, other.size_);
    std::swap(capacity_, other.capacity_);
    std::swap(mapped_, other.mapped_);
}

} // namespace dialog
