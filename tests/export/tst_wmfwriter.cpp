#include "ScriptedOutput.h"
#include "WmfReader.h"

#include "export/MemoryOutput.h"
#include "export/WmfWriter.h"

#include <QTest>

#include <algorithm>
#include <vector>

using wmf::parsed;

namespace {

QByteArray bytes_of(std::initializer_list<int> values)
{
    QByteArray out;
    for (int v : values)
        out.append(static_cast<char>(v));
    return out;
}

QByteArray bytes_of(const std::vector<char>& v)
{
    return QByteArray(v.data(), qsizetype(v.size()));
}


} // namespace

class TestWmfWriter : public QObject {
    Q_OBJECT

private slots:
    void tinyFileMatchesHandWrittenBytes()
    {
        MemoryOutput sink;
        WmfWriter wmf(sink);
        const int pen = wmf.create_pen(rgb(0x12, 0x34, 0x56));
        wmf.select_object(pen);
        wmf.line(-2, 300, 16383, -16383);
        wmf.delete_object(pen);
        QVERIFY(wmf.finish());

        // The box: x from -2 to 16383, y from -16383 to 300, so 16385 across and 16683 down.
        const QByteArray expected = bytes_of({
            0xD7, 0xCD, 0xC6, 0x9A, 0x00, 0x00,       // placeable key, handle 0
            0xFE, 0xFF, 0xD4, 0xFE,                   // left -2, top -300
            0xFF, 0x3F, 0xFF, 0x3F,                   // right 16383, bottom 16383
            0x00, 0x01, 0x00, 0x00, 0x00, 0x00,       // 256 units per inch, reserved
            0x3B, 0x57,                               // checksum: the ten words above XORed
            0x01, 0x00, 0x09, 0x00, 0x00, 0x03,       // type 1, 9 header words, version 3.0
            0x34, 0x00, 0x00, 0x00,                   // 52 words in all
            0x01, 0x00,                               // one object at most
            0x08, 0x00, 0x00, 0x00,                   // largest record: the pen
            0x00, 0x00,                               //
            0x04, 0x00, 0x00, 0x00, 0x03, 0x01, 0x08, 0x00, // map mode anisotropic
            0x05, 0x00, 0x00, 0x00, 0x0B, 0x02, 0x2C, 0x01, 0xFE, 0xFF, // window origin y 300, x -2
            0x05, 0x00, 0x00, 0x00, 0x0C, 0x02, 0xD5, 0xBE, 0x01, 0x40, // window extent y -16683, x 16385
            0x08, 0x00, 0x00, 0x00, 0xFA, 0x02,       // create pen
            0x00, 0x00, 0x01, 0x00, 0x00, 0x00,       //   solid, width 1
            0x12, 0x34, 0x56, 0x00,                   //   red, green, blue, 0
            0x04, 0x00, 0x00, 0x00, 0x2D, 0x01, 0x00, 0x00, // select 0
            0x05, 0x00, 0x00, 0x00, 0x14, 0x02, 0x2C, 0x01, 0xFE, 0xFF, // move to y 300, x -2
            0x05, 0x00, 0x00, 0x00, 0x13, 0x02, 0x01, 0xC0, 0xFF, 0x3F, // line to y -16383, x 16383
            0x04, 0x00, 0x00, 0x00, 0xF0, 0x01, 0x00, 0x00, // delete 0
            0x03, 0x00, 0x00, 0x00, 0x00, 0x00,             // end
        });
        QCOMPARE(bytes_of(sink.bytes()), expected);
    }

    // The box and window of small figures: never empty, one unit at least either way.
    void frameOfSmallFigures_data()
    {
        QTest::addColumn<std::vector<int>>("points"); // x1, y1, x2, y2 of each string
        QTest::addColumn<std::vector<int>>("box");    // left, top, right, bottom
        QTest::addColumn<std::vector<int>>("window"); // origin x, y; extent x, y
        QTest::newRow("nothing drawn") << std::vector<int>{} << std::vector{0, -1, 1, 0}
                                       << std::vector{0, 1, 1, -1};
        QTest::newRow("one point") << std::vector{5, -7, 5, -7} << std::vector{5, 6, 6, 7}
                                   << std::vector{5, -6, 1, -1};
        QTest::newRow("across") << std::vector{-3, 4, 9, 4} << std::vector{-3, -5, 9, -4}
                                << std::vector{-3, 5, 12, -1};
        QTest::newRow("down") << std::vector{2, -10, 2, 30} << std::vector{2, -30, 3, 10}
                              << std::vector{2, 30, 1, -40};
        QTest::newRow("at the corners")
            << std::vector{-16383, -16383, 16383, 16383} << std::vector{-16383, -16383, 16383, 16383}
            << std::vector{-16383, 16383, 32766, -32766};
    }

    void frameOfSmallFigures()
    {
        QFETCH(std::vector<int>, points);
        QFETCH(std::vector<int>, box);
        QFETCH(std::vector<int>, window);
        MemoryOutput sink;
        WmfWriter wmf(sink);
        for (std::size_t i = 0; i < points.size(); i += 4)
            wmf.line(points[i], points[i + 1], points[i + 2], points[i + 3]);
        QVERIFY(wmf.finish());
        const wmf::File file = parsed(sink.bytes());
        const wmf::Placeable& p = file.placeable;
        QCOMPARE((std::vector<int>{p.left, p.top, p.right, p.bottom}), box);
        QCOMPARE(int(p.inch), 256);
        QCOMPARE(int(p.handle), 0);
        QCOMPARE(p.reserved, 0u);
        QCOMPARE(file.map_mode, std::optional(8));
        QCOMPARE(file.window_org, std::optional(wmf::Point{window[0], window[1]}));
        QCOMPARE(file.window_ext, std::optional(wmf::Point{window[2], window[3]}));
        QCOMPARE(file.max_record, 5u);
    }

    void objectsTakeTheLowestFreeIndex()
    {
        MemoryOutput sink;
        WmfWriter wmf(sink);
        QCOMPARE(wmf.create_pen(1), 0);
        QCOMPARE(wmf.create_pen(2), 1);
        QCOMPARE(wmf.create_pen(3), 2);
        wmf.delete_object(1);
        QCOMPARE(wmf.create_pen(4), 1);
        wmf.delete_object(0);
        wmf.delete_object(2);
        QCOMPARE(wmf.create_pen(5), 0);
        QCOMPARE(wmf.create_pen(6), 2);
        wmf.select_object(2);
        QCOMPARE(wmf.create_pen(7), 3); // four alive now, the peak
        for (int i = 0; i < 4; ++i)
            wmf.delete_object(i);
        QCOMPARE(wmf.create_pen(8), 0);
        wmf.delete_object(0);
        QVERIFY(wmf.finish());

        const wmf::File file = parsed(sink.bytes());
        QCOMPARE(int(file.objects), 4);
        QCOMPARE(file.peak_objects, 4);
        QCOMPARE(file.count(wmf::kCreatePenIndirect), 8);
        QCOMPARE(file.count(wmf::kDeleteObject), 8);
    }

    // A file many times the buffer: it must reach the sink in pieces while it is being
    // written, and the header, patched at the end, must describe all of it.
    void largeFileStreamsAndHeaderIsPatched()
    {
        ScriptedOutput sink;
        WmfWriter wmf(sink);
        const int pen = wmf.create_pen(rgb(0, 0, 255));
        wmf.select_object(pen);
        constexpr int kPairs = 300000; // 6 MB
        // Half the strings grow a box of the caller's, handed over at the end.
        Box box;
        for (int i = 0; i < kPairs; ++i) {
            if (i % 2)
                wmf.line(i % 32767 - 16383, -(i % 15000), i % 1000, i % 16384, box);
            else
                wmf.line(i % 32767 - 16383, -(i % 15000), i % 1000, i % 16384);
        }
        wmf.cover(box);
        QVERIFY(sink.write_sizes.size() >= 5);
        QVERIFY(sink.overwrite_sizes.empty());
        wmf.delete_object(pen);
        QVERIFY(wmf.finish());

        for (std::size_t size : sink.write_sizes)
            QVERIFY2(size <= WmfWriter::kBufferSize, qPrintable(QString::number(size)));
        QCOMPARE(sink.overwrite_sizes, std::vector<std::size_t>{68});

        const wmf::File file = parsed(sink.bytes);
        const std::uint32_t words = 9 + 4 + 5 + 5 + 8 + 4 + kPairs * 10 + 4 + 3;
        QCOMPARE(file.size_words, words); // above 65535: both halves of the field count
        QCOMPARE(file.max_record, 8u);
        QCOMPARE(file.largest_record, 8u);
        QCOMPARE(int(file.objects), 1);
        QCOMPARE(file.type, std::uint16_t(1));
        QCOMPARE(file.version, std::uint16_t(0x0300));
        QCOMPARE(file.parameters, std::uint16_t(0));
        // The box, patched at the end too, covers points from every buffer.
        const wmf::Placeable& p = file.placeable;
        QCOMPARE((std::vector<int>{p.left, p.top, p.right, p.bottom}),
                 (std::vector<int>{-16383, -16383, 16383, 14999}));

        QCOMPARE(file.records.size(), std::size_t(2 * kPairs + 3));
        for (int i = 0; i < kPairs; ++i) {
            const wmf::Record& move = file.records[2 + 2 * i];
            const wmf::Record& line = file.records[3 + 2 * i];
            if (move.function != wmf::kMoveTo || move.param(1) != i % 32767 - 16383
                || move.param(0) != -(i % 15000) || line.function != wmf::kLineTo
                || line.param(1) != i % 1000 || line.param(0) != i % 16384)
                QFAIL(qPrintable(QString("pair %1 differs").arg(i)));
        }
    }

    void writeFailures_data()
    {
        QTest::addColumn<std::size_t>("good_writes");
        QTest::addColumn<bool>("fail_rewrite");
        QTest::addColumn<bool>("ok_before_finish");
        QTest::newRow("first write") << std::size_t(0) << false << false;
        QTest::newRow("mid-way") << std::size_t(2) << false << false;
        QTest::newRow("last write") << std::size_t(3) << false << true;
        QTest::newRow("header patch") << std::size_t(1000) << true << true;
    }

    void writeFailures()
    {
        QFETCH(std::size_t, good_writes);
        QFETCH(bool, fail_rewrite);
        QFETCH(bool, ok_before_finish);

        ScriptedOutput sink;
        sink.fail_after_writes = good_writes;
        sink.fail_overwrite = fail_rewrite;
        WmfWriter wmf(sink);
        // Three and a bit buffers: three writes while drawing, the fourth at finish.
        for (int i = 0; i < 170000; ++i)
            wmf.line(i % 100, 1, 2, i % 100);
        QCOMPARE(sink.write_sizes.size(), std::min<std::size_t>(good_writes + 1, 3));
        QCOMPARE(wmf.ok(), ok_before_finish);
        QVERIFY(!wmf.finish());
        QVERIFY(!wmf.ok());
        // A failed file is not written to again.
        QCOMPARE(sink.write_sizes.size(), std::min<std::size_t>(good_writes + 1, 4));
        if (!fail_rewrite)
            QVERIFY(sink.overwrite_sizes.empty());
    }
};

QTEST_GUILESS_MAIN(TestWmfWriter)
#include "tst_wmfwriter.moc"
