// The frame of a saved picture: the box of every string end of every copy, measured from the
// points the strings join, worked by hand.

#include "export/FigureFrame.h"
#include "raster/WorkerPool.h"

#include "FigureFiles.h"

using figures::figure;

class FigureFrameTest : public QObject {
    Q_OBJECT

private slots:
    void the_box_of_the_ends_data()
    {
        QTest::addColumn<Module1>("state");
        QTest::addColumn<int>("copies");
        QTest::addColumn<int>("workers");
        QTest::addColumn<QList<double>>("box"); // min x, max x, min y, max y
        QTest::addColumn<long long>("strings");
        // Three points a side and one of the second: one string, from point 0 to point 3;
        // points 1 and 2 are no string's ends and stay out of the box.
        const Module1 open_side = figure({{0, 0}, {100, 0}, {100, 0}, {0, 5}}, 3);
        QTest::newRow("points that end no string") << open_side << 1 << 2 << QList<double>{0, 0, 0, 5} << 1LL;
        // Turned by 3.141592654: sine -4.1020676e-10, so (0, 5) goes to (2.0510338e-9, -5).
        QTest::newRow("two copies") << open_side << 2 << 1 << QList<double>{0, 2.0510338e-9, -5, 5} << 2LL;
        // Two whole sides: strings 0-2, 1-3; every point an end. Four copies a quarter apart.
        const Module1 sides = figure({{1, 0}, {2, 0}, {0, 3}, {0, 4}}, 2);
        QTest::newRow("whole sides, four copies on three workers")
            << sides << 4 << 3 << QList<double>{-4, 4, -4, 4} << 8LL;
    }

    void the_box_of_the_ends()
    {
        QFETCH(Module1, state);
        QFETCH(int, copies);
        QFETCH(int, workers);
        QFETCH(QList<double>, box);
        QFETCH(long long, strings);
        WorkerPool pool(workers);
        ReplayResult replay;
        const FigureFrame frame = measure_figure(state, copies, {}, replay, pool);
        const double got[] = {frame.min_x, frame.max_x, frame.min_y, frame.max_y};
        for (int i = 0; i < 4; ++i)
            QVERIFY2(std::abs(got[i] - box[i]) < 1e-15 + 1e-6 * std::abs(box[i]),
                     qPrintable(QString("%1: %2 against %3").arg(i).arg(got[i], 0, 'g', 10).arg(box[i])));
        QCOMPARE(frame.strings, strings);
        QCOMPARE(replay.strings, strings);
    }
};

QTEST_GUILESS_MAIN(FigureFrameTest)
#include "tst_figureframe.moc"
