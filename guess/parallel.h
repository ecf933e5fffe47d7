// Work spread over the machine's cores: the readings of a file are costed independently.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

// Runs work(i) once for each i below `count`, on as many threads as the machine has cores
// (or as it will start; the calling thread always works too).
// The first exception thrown by any work is thrown here once all threads have stopped.
template <typename Work>
void ForEachInParallel(size_t count, Work work) {
    const size_t threads = std::min<size_t>(count, std::max(1u, std::thread::hardware_concurrency()));
    std::atomic<size_t> next{0};
    std::exception_ptr failure;
    std::mutex failureLock;
    auto run = [&] {
        try {
            for (size_t i = next++; i < count; i = next++) work(i);
        } catch (...) {
            const std::lock_guard<std::mutex> lock(failureLock);
            if (!failure) failure = std::current_exception();
            next = count;
        }
    };
    std::vector<std::thread> helpers;
    for (size_t t = 1; t < threads; ++t) {
        try {
            helpers.emplace_back(run);
        } catch (const std::system_error&) {
            break;  // no more threads to be had: the ones running share the work
        }
    }
    run();
    for (std::thread& helper : helpers) helper.join();
    if (failure) std::rethrow_exception(failure);
}
