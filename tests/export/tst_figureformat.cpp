#include "export/FigureFormat.h"

#include <QTest>

Q_DECLARE_METATYPE(FigureFormat)

namespace {

constexpr std::size_t kWmf = 0, kSvg = 1, kPdf = 2, kPng = 3, kAll = 4;

} // namespace

class FigureFormatTest : public QObject {
    Q_OBJECT

private slots:
    void filters_in_order()
    {
        QCOMPARE(QString::fromStdString(save_filter_list()),
                 QStringLiteral("meta files (*.wmf);;SVG drawing (*.svg);;PDF document (*.pdf);;PNG image (*.png);;"
                                "all files (*.*)"));
        QCOMPARE(filter_index("PNG image (*.png)"), kPng);
        QCOMPARE(filter_index("no such filter"), kWmf);
    }

    void name_and_filter_choose_the_format_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("filter");
        QTest::addColumn<FigureFormat>("format");
        QTest::addColumn<QString>("written");
        using F = FigureFormat;
        QTest::newRow("suffix wins over the filter") << "/a/fan.svg" << int(kPdf) << F::Svg << "/a/fan.svg";
        QTest::newRow("suffix in capitals") << "/a/fan.PnG" << int(kWmf) << F::Png << "/a/fan.PnG";
        QTest::newRow("suffix under all files") << "fan.pdf" << int(kAll) << F::Pdf << "fan.pdf";
        QTest::newRow("no suffix takes the filter's") << "/a/fan" << int(kSvg) << F::Svg << "/a/fan.svg";
        QTest::newRow("no suffix, metafile") << "/a/fan" << int(kWmf) << F::Metafile << "/a/fan.wmf";
        QTest::newRow("no suffix under all files") << "/a/fan" << int(kAll) << F::Metafile << "/a/fan";
        QTest::newRow("other suffix kept") << "/a/fan v1.2" << int(kPng) << F::Png << "/a/fan v1.2";
        QTest::newRow("other suffix under all files") << "/a/fan v1.2" << int(kAll) << F::Metafile << "/a/fan v1.2";
        QTest::newRow("dot in a folder only") << "/a.svg/fan" << int(kPdf) << F::Pdf << "/a.svg/fan.pdf";
        QTest::newRow("hidden file") << "/a/.svg" << int(kPng) << F::Png << "/a/.svg.png";
    }

    void name_and_filter_choose_the_format()
    {
        QFETCH(QString, typed);
        QFETCH(int, filter);
        QFETCH(FigureFormat, format);
        QFETCH(QString, written);
        const SaveChoice choice = choose_format(typed.toStdString(), std::size_t(filter));
        QCOMPARE(choice.format, format);
        QCOMPARE(QString::fromStdString(choice.file_name), written);
    }

    void switching_filters_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("to");
        QTest::addColumn<QString>("shown");
        QTest::newRow("known suffix follows") << "fan.wmf" << int(kPdf) << "fan.pdf";
        QTest::newRow("any case") << "fan.SVG" << int(kPng) << "fan.png";
        QTest::newRow("to all files: unchanged") << "fan.png" << int(kAll) << "fan.png";
        QTest::newRow("no suffix: unchanged") << "fan" << int(kSvg) << "fan";
        QTest::newRow("other suffix: unchanged") << "fan v1.2" << int(kSvg) << "fan v1.2";
        QTest::newRow("pattern suffix follows") << "fan.*" << int(kSvg) << "fan.svg";
        QTest::newRow("pattern suffix to all files") << "/a/fan.*" << int(kAll) << "/a/fan";
    }

    void switching_filters()
    {
        QFETCH(QString, typed);
        QFETCH(int, to);
        QFETCH(QString, shown);
        QCOMPARE(QString::fromStdString(switch_filter(typed.toStdString(), std::size_t(to))), shown);
    }
};

QTEST_GUILESS_MAIN(FigureFormatTest)
#include "tst_figureformat.moc"
