#pragma once

// Figures and readers shared by the export tests.

#include "FileBytes.h"

#include "core/Module1.h"
#include "export/SavedFigure.h"

#include <QByteArray>
#include <QImage>
#include <QProcess>
#include <QRectF>
#include <QStandardPaths>
#include <QTest>

#include <cmath>
#include <utility>
#include <vector>

namespace figures {

using Points = std::vector<std::pair<float, float>>;

inline Module1 figure(const Points& points, int subdivs, Colour first = rgb(0, 0, 0))
{
    Module1 m;
    for (std::size_t i = 0; i < points.size(); ++i) {
        m.point_x[i] = points[i].first;
        m.point_y[i] = points[i].second;
    }
    m.point_count = static_cast<std::int16_t>(points.size());
    m.subdivs = static_cast<std::int16_t>(subdivs);
    m.palette = {first, rgb(0, 0, 255), rgb(1, 2, 3), rgb(4, 5, 6), rgb(7, 8, 9), rgb(10, 11, 12),
                 rgb(13, 14, 15), rgb(16, 17, 18)};
    return m;
}

// The figure a save of `m` carries, drawn with three copies.
inline SavedFigure carried(const Module1& m)
{
    return saved_figure(m, "3", 3, {rgb(9, 8, 7), rgb(255, 255, 255)});
}

// The fan from a left side going up to a top side going right, twenty strings, filling `box`
// (y up): an L of strings whose far corner stays empty.
inline Module1 fan(const QRectF& box)
{
    Points p;
    for (int i = 0; i < 20; ++i)
        p.emplace_back(float(box.left()), float(box.top() + box.height() * i / 19));
    for (int i = 0; i < 20; ++i)
        p.emplace_back(float(box.left() + box.width() * i / 19), float(box.bottom()));
    return figure(p, 20);
}

// Runs `tool`, failing when it fails or takes longer than `limit_ms`.
inline bool run(const QString& tool, const QStringList& arguments, QByteArray* output = nullptr,
                int limit_ms = 60000)
{
    const QString path = QStandardPaths::findExecutable(tool);
    if (path.isEmpty()) {
        qWarning("%s is missing: scripts/install-deps.sh test installs it", qPrintable(tool));
        return false;
    }
    QProcess process;
    process.start(path, arguments);
    if (!process.waitForFinished(limit_ms) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        qWarning("%s failed: %s %s", qPrintable(tool), process.readAllStandardOutput().constData(),
                 process.readAllStandardError().constData());
        return false;
    }
    if (output)
        *output = process.readAllStandardOutput();
    return true;
}

// A PDF's streams, inflated and joined, and each of them.
inline QByteArray pdf_content(const QByteArray& pdf, std::vector<QByteArray>* streams = nullptr)
{
    QByteArray content;
    for (qsizetype at = pdf.indexOf("stream\n"); at >= 0; at = pdf.indexOf("stream\n", at)) {
        const qsizetype end = pdf.indexOf("\nendstream", at += 7);
        const QByteArray stream = qUncompress(QByteArray::fromHex("10000000") + pdf.mid(at, end - at)); // with a size hint
        content += stream;
        if (streams)
            streams->push_back(stream);
        at = end + 10;
    }
    return content;
}

// The drawn fan in a picture: at least 50 pixels across, at the figure's proportions, with
// ink along its whole top row and left column and none in the corner opposite them.
inline void check_ink(const QImage& picture, double proportion)
{
    const QImage image = picture.convertToFormat(QImage::Format_ARGB32);
    const auto ink = [&](int x, int y) {
        const QRgb c = image.pixel(x, y);
        return qAlpha(c) > 128 && qGray(c) < 192;
    };
    int left = image.width(), right = -1, top = image.height(), bottom = -1;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (ink(x, y)) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
    QVERIFY2(right >= 0, "nothing drawn");
    const int width = right - left + 1, height = bottom - top + 1;
    const QString size = QString("%1 x %2 pixels").arg(width).arg(height);
    QVERIFY2(width >= 50, qPrintable(size));
    QVERIFY2(std::fabs(double(width) / height / proportion - 1) < 0.05, qPrintable(size));
    int top_row = 0, left_column = 0, far_corner = 0;
    for (int x = left; x <= right; ++x)
        top_row += ink(x, top) || ink(x, top + 1);
    for (int y = top; y <= bottom; ++y)
        left_column += ink(left, y) || ink(left + 1, y);
    for (int y = top + height * 6 / 10; y <= bottom; ++y)
        for (int x = left + width * 6 / 10; x <= right; ++x)
            far_corner += ink(x, y);
    QVERIFY2(top_row >= width * 9 / 10, qPrintable("the top side is not at the top: " + size));
    QVERIFY2(left_column >= height * 9 / 10, qPrintable("the left side is not at the left: " + size));
    QVERIFY2(far_corner == 0, qPrintable("ink in the bottom right corner: " + size));
}

} // namespace figures
