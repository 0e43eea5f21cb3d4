#include "bench/heap_counter.h"

#include <malloc.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "bench/bench_common.h"

namespace {
std::atomic<long long> g_heap_now{0};
std::atomic<long long> g_heap_peak{0};

void* CountedAllocate(std::size_t size) {
  void* p = std::malloc(size ? size : 1);
  if (p == nullptr) throw std::bad_alloc();
  const long long now = g_heap_now += static_cast<long long>(malloc_usable_size(p));
  long long peak = g_heap_peak.load();
  while (now > peak && !g_heap_peak.compare_exchange_weak(peak, now)) {
  }
  return p;
}

void CountedFree(void* p) {
  if (p == nullptr) return;
  g_heap_now -= static_cast<long long>(malloc_usable_size(p));
  std::free(p);
}
}  // namespace

void* operator new(std::size_t size) { return CountedAllocate(size); }
void* operator new[](std::size_t size) { return CountedAllocate(size); }
void operator delete(void* p) noexcept { CountedFree(p); }
void operator delete[](void* p) noexcept { CountedFree(p); }
void operator delete(void* p, std::size_t) noexcept { CountedFree(p); }
void operator delete[](void* p, std::size_t) noexcept { CountedFree(p); }

namespace bench {

HeapTimed TimeWithHeap(const std::function<void()>& work) {
  HeapTimed result;
  const long long base = g_heap_now.load();
  g_heap_peak = base;
  result.seconds = Seconds(work);
  result.heap_peak = g_heap_peak.load() - base;
  return result;
}

}  // namespace bench
