#include "raster/WorkerPool.h"

#include <algorithm>

WorkerPool::WorkerPool(int workers)
{
    const int n = std::max(workers, 1);
    threads_.reserve(std::size_t(n));
    for (int i = 0; i < n; ++i)
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
    std::unique_lock lock(mutex_);
    piece_ = &piece;
    running_ = size();
    ++generation_;
    lock.unlock();
    start_.notify_all();
    lock.lock();
    done_.wait(lock, [this] { return running_ == 0; });
    piece_ = nullptr;
}

void WorkerPool::work(int index)
{
    std::uint64_t seen = 0;
    for (;;) {
        const std::function<void(int)>* piece;
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
