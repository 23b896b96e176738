#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

// A fixed set of workers that take one piece each of a job: the calling thread is the first
// of them, so that no more threads are busy than there are pieces, and the others are
// threads of the pool's own. Pixel drawing, measuring a kaleidoscope's frame and the PDF's
// compression use it; everything else stays on the calling thread.
class WorkerPool {
public:
    explicit WorkerPool(int workers);
    ~WorkerPool();
    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;

    int size() const { return int(threads_.size()) + 1; }

    // Runs piece(0) on the calling thread and piece(1) to piece(size() - 1) each on a thread
    // of its own, and returns when all are done. One job at a time: callers on several
    // threads take turns.
    void run(const std::function<void(int)>& piece);

    // One worker per hardware thread, for the life of the program.
    static WorkerPool& shared();

private:
    void work(int index);

    std::mutex job_mutex_; // one job at a time
    std::mutex mutex_;
    std::condition_variable start_;
    std::condition_variable done_;
    const std::function<void(int)>* piece_ = nullptr;
    // Changed under mutex_ only; read without it while waiting briefly for them to change.
    std::atomic<std::uint64_t> generation_{0};
    std::atomic<int> running_{0};
    bool stopping_ = false;
    std::vector<std::thread> threads_;
};
