#pragma once
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace korvane {

// A small set of threads that the decoders and the renderer share: one thread per processor
// counting the caller, created once. run() hands out the items of one job to whichever
// thread is free, the calling thread among them, and returns when every item is done; what
// an item computes never depends on which thread or how many threads run it.
class WorkerPool {
public:
    // A pool of `workers` threads besides the caller's; 0 runs every item on the caller.
    explicit WorkerPool(unsigned workers);
    ~WorkerPool();
    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;

    // The pool of the program: hardware_concurrency() - 1 workers.
    static WorkerPool& shared();
    // A pool of no workers: every job runs on its caller, in item order.
    static WorkerPool& serial();

    // Threads that may run items of one job, the caller's included.
    unsigned concurrency() const { return static_cast<unsigned>(threads_.size()) + 1; }

    // Runs item(i) for every i below `count`. The first exception an item throws is thrown
    // again here once all items have ended. A job started from inside an item also completes:
    // its caller runs whatever no other thread has taken.
    void run(std::size_t count, const std::function<void(std::size_t)>& item);

private:
    struct Job;
    void work();
    static void runItems(Job& job);

    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::shared_ptr<Job>> jobs_;
    bool stopping_ = false;
    std::vector<std::thread> threads_;
};

} // namespace korvane
