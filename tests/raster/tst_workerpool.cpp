// The worker pool: every piece of a job runs once, on its own worker, before run returns;
// the first on the calling thread.

#include "raster/WorkerPool.h"

#include <QTest>

#include <thread>
#include <vector>

class WorkerPoolTest : public QObject {
    Q_OBJECT

private slots:
    void every_piece_runs_once_per_job_data()
    {
        QTest::addColumn<int>("workers");
        for (int n : {1, 2, 3, 7})
            QTest::addRow("%d workers", n) << n;
    }

    void every_piece_runs_once_per_job()
    {
        QFETCH(int, workers);
        WorkerPool pool(workers);
        QCOMPARE(pool.size(), workers);
        // Plain ints: what the workers wrote must be visible once run returns.
        std::vector<int> runs(std::size_t(workers), 0);
        std::vector<std::thread::id> ids{std::size_t(workers)};
        for (int job = 0; job < 200; ++job)
            pool.run([&](int i) {
                ++runs[std::size_t(i)];
                ids[std::size_t(i)] = std::this_thread::get_id();
            });
        for (int i = 0; i < workers; ++i) {
            QCOMPARE(runs[std::size_t(i)], 200);
            QCOMPARE(ids[std::size_t(i)] == std::this_thread::get_id(), i == 0);
            for (int j = 0; j < i; ++j)
                QVERIFY(ids[std::size_t(i)] != ids[std::size_t(j)]);
        }
    }

    void there_is_always_a_worker()
    {
        WorkerPool pool(0);
        QCOMPARE(pool.size(), 1);
        QCOMPARE(WorkerPool::shared().size(), int(std::max(1u, std::thread::hardware_concurrency())));
    }
};

QTEST_APPLESS_MAIN(WorkerPoolTest)
#include "tst_workerpool.moc"
