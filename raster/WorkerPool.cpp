#include "raster/WorkerPool.h"

#include <algorithm>
#include <chrono>

namespace {

// Jobs come in quick succession (a piece of drawing, then the merge of its pictures): a
// worker, and the caller waiting for the workers, first watch for a little while before they
// sleep. A sleeping thread's wake-up may land it on a busy core for a while.
template <class Done>
void watch_briefly(Done done)
{
    const auto until = std::chrono::steady_clock::now() + std::chrono::microseconds(50);
    while (!done() && std::chrono::steady_clock::now() < until) {
#if defined(__x86_64__) || defined(__i386__)
        __builtin_ia32_pause();
#endif
    }
}

} // namespace

WorkerPool::WorkerPool(int workers)
{
    const int n = std::max(workers, 1);
    threads_.reserve(std::size_t(n - 1));
    for (int i = 1; i < n; ++i)
        threads_.emplace_back([this, i] { work(i); });
}

WorkerPool::~WorkerPool()
{
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    start_.notify_all();
    for (std::thread& t : threads_)
        t.join();
}

void WorkerPool::run(const std::function<void(int)>& piece)
{
    std::lock_guard job(job_mutex_);
    if (threads_.empty()) {
        piece(0);
        return;
    }
    std::unique_lock lock(mutex_);
    piece_ = &piece;
    running_ = int(threads_.size());
    ++generation_;
    lock.unlock();
    start_.notify_all();
    // The other pieces hold on to `piece`: wait for them even when this one throws.
    struct Join {
        WorkerPool& pool;
        ~Join()
        {
            std::unique_lock lock(pool.mutex_);
            pool.done_.wait(lock, [this] { return pool.running_ == 0; });
            pool.piece_ = nullptr;
        }
    } join{*this};
    piece(0);
    watch_briefly([this] { return running_.load(std::memory_order_acquire) == 0; });
}

void WorkerPool::work(int index)
{
    std::uint64_t seen = 0;
    for (;;) {
        const std::function<void(int)>* piece;
        watch_briefly([&] { return generation_.load(std::memory_order_acquire) != seen; });
        {
            std::unique_lock lock(mutex_);
            start_.wait(lock, [&] { return stopping_ || generation_ != seen; });
            if (stopping_)
                return;
            seen = generation_;
            piece = piece_;
        }
        (*piece)(index);
        bool last;
        {
            std::lock_guard lock(mutex_);
            last = --running_ == 0;
        }
        if (last)
            done_.notify_one();
    }
}

WorkerPool& WorkerPool::shared()
{
    static WorkerPool pool(int(std::max(1u, std::thread::hardware_concurrency())));
    return pool;
}
