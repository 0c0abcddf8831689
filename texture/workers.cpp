// workers.cpp -- a shared counter handing out items to std::jthreads.
#include "texture/workers.h"

#include <atomic>
#include <thread>
#include <vector>

int ProcessorWorkerCount() {
    const unsigned processors = std::thread::hardware_concurrency();
    return processors == 0 ? 1 : int(processors);
}

void ForEachOnWorkers(int32_t count, int workers, const std::function<void(int32_t)>& work) {
    std::atomic<int32_t> next{0};
    auto take = [&] {
        for (int32_t k = next++; k < count; k = next++) work(k);
    };
    std::vector<std::jthread> threads;
    for (int w = 1; w < workers && w < count; ++w) threads.emplace_back(take);
    take();  // this thread is a worker too
}
