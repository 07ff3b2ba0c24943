// Every operator new of a benchmark program counted, so that the peak of live heap bytes
// during one operation can be read off exactly (the page-level high-water mark of the
// process cannot be reset between runs). Include in one file of the program only.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdlib>
#include <new>

namespace tarvenne::bench {

inline std::atomic<std::size_t> g_live{0};
inline std::atomic<std::size_t> g_peak{0};

// The live bytes now, and the peak since the last ResetPeak.
inline std::size_t LiveBytes() { return g_live.load(); }
inline std::size_t PeakBytes() { return g_peak.load(); }
inline void ResetPeak() { g_peak.store(g_live.load()); }

inline void* Allocate(std::size_t n) {
    constexpr std::size_t kHeader = 16;  // keeps the block's alignment
    void* block = std::malloc(n + kHeader);
    if (!block) throw std::bad_alloc();
    *static_cast<std::size_t*>(block) = n;
    const std::size_t live = g_live.fetch_add(n) + n;
    std::size_t peak = g_peak.load();
    while (live > peak && !g_peak.compare_exchange_weak(peak, live)) {
    }
    return static_cast<char*>(block) + kHeader;
}

inline void Release(void* p) {
    if (!p) return;
    void* block = static_cast<char*>(p) - 16;
    g_live.fetch_sub(*static_cast<std::size_t*>(block));
    std::free(block);
}

}  // namespace tarvenne::bench

void* operator new(std::size_t n) { return tarvenne::bench::Allocate(n); }
void* operator new[](std::size_t n) { return tarvenne::bench::Allocate(n); }
void operator delete(void* p) noexcept { tarvenne::bench::Release(p); }
void operator delete[](void* p) noexcept { tarvenne::bench::Release(p); }
void operator delete(void* p, std::size_t) noexcept { tarvenne::bench::Release(p); }
void operator delete[](void* p, std::size_t) noexcept { tarvenne::bench::Release(p); }
