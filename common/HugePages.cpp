#include "HugePages.h"

#include <algorithm>
#include <cstdint>
#include <utility>
#include <sys/mman.h>

namespace {
constexpr uintptr_t kHugePage = uintptr_t(2) << 20;
constexpr uintptr_t kPage = uintptr_t(4) << 10;

// The whole pages of `size` inside the buffer, as [begin, end).
std::pair<uintptr_t, uintptr_t> Whole_Pages(void *data, size_t bytes, uintptr_t size)
{
    const uintptr_t begin = (reinterpret_cast<uintptr_t>(data) + size - 1) & ~(size - 1);
    const uintptr_t end = (reinterpret_cast<uintptr_t>(data) + bytes) & ~(size - 1);
    return {begin, std::max(begin, end)};
}
} // namespace

void Advise_Huge_Pages(void *data, size_t bytes)
{
    // Only the whole pages inside the buffer: the advice must not reach
    // memory the buffer does not own.
    const auto [begin, end] = Whole_Pages(data, bytes, kHugePage);
    if (end > begin)
        ::madvise(reinterpret_cast<void *>(begin), end - begin, MADV_HUGEPAGE);
}

void Bring_In_Pages(void *data, size_t bytes)
{
    // A kernel without MADV_POPULATE_WRITE refuses it: the first write
    // then brings the pages in.
    const auto [begin, end] = Whole_Pages(data, bytes, kPage);
    if (end > begin)
        ::madvise(reinterpret_cast<void *>(begin), end - begin, MADV_POPULATE_WRITE);
}
