#include "common/WorkerPool.hpp"

#include <algorithm>
#include <atomic>
#include <exception>
#include <system_error>

namespace korvane {

struct WorkerPool::Job {
    std::size_t count = 0;
    const std::function<void(std::size_t)>* item = nullptr;
    std::atomic<std::size_t> next{0};
    std::atomic<std::size_t> done{0};
    std::mutex mutex; // guards failure, and the caller's wait
    std::condition_variable finished;
    std::exception_ptr failure;
};

WorkerPool::WorkerPool(unsigned workers) {
    for (unsigned i = 0; i < workers; ++i) {
        try {
            threads_.emplace_back([this] { work(); });
        } catch (const std::system_error&) {
            break; // fewer threads: the callers do more of the work
        }
    }
}

WorkerPool::~WorkerPool() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    for (std::thread& t : threads_)
        t.join();
}

WorkerPool& WorkerPool::shared() {
    static WorkerPool pool(std::max(std::thread::hardware_concurrency(), 1u) - 1);
    return pool;
}

WorkerPool& WorkerPool::serial() {
    static WorkerPool pool(0);
    return pool;
}

void WorkerPool::runItems(Job& job) {
    for (std::size_t i = job.next.fetch_add(1); i < job.count; i = job.next.fetch_add(1)) {
        try {
            (*job.item)(i);
        } catch (...) {
            std::lock_guard lock(job.mutex);
            if (!job.failure) job.failure = std::current_exception();
        }
        if (job.done.fetch_add(1) + 1 == job.count) {
            std::lock_guard lock(job.mutex);
            job.finished.notify_all();
        }
    }
}

void WorkerPool::work() {
    for (;;) {
        std::shared_ptr<Job> job;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
            if (stopping_) return;
            job = jobs_.front();
            // Once every item is taken the job leaves the queue; its threads finish it.
            if (job->next.load() >= job->count) {
                jobs_.pop_front();
                continue;
            }
        }
        runItems(*job);
    }
}

void WorkerPool::run(std::size_t count, const std::function<void(std::size_t)>& item) {
    if (count == 0) return;
    auto job = std::make_shared<Job>();
    job->count = count;
    job->item = &item;
    if (count > 1 && !threads_.empty()) {
        {
            std::lock_guard lock(mutex_);
            jobs_.push_back(job);
        }
        if (count == 2)
            wake_.notify_one();
        else
            wake_.notify_all();
    }
    runItems(*job);
    {
        std::unique_lock lock(job->mutex);
        job->finished.wait(lock, [&] { return job->done.load() == job->count; });
    }
    {
        // The job may still be queued when the caller took its last items.
        std::lock_guard lock(mutex_);
        const auto at = std::find(jobs_.begin(), jobs_.end(), job);
        if (at != jobs_.end()) jobs_.erase(at);
    }
    if (job->failure) std::rethrow_exception(job->failure);
}

} // namespace korvane
