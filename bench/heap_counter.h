// The counting allocator of the benchmarks: replacement operator new/delete (heap_counter.cpp)
// count the bytes of the program's own heap in use and their peak. A program that measures
// memory links heap_counter.cpp; it must be the only definition of the operators in it.
#pragma once

#include <functional>

namespace bench {

// The time of one run of `work` and the peak of the heap bytes above the level at its start.
struct HeapTimed {
  double seconds = 0;
  long long heap_peak = 0;
};
HeapTimed TimeWithHeap(const std::function<void()>& work);

}  // namespace bench
