// Checks the icons compiled from icons.qrc: every size loads, have the expected sizes,
// keep their transparency (rounded corners) and are drawn in more than one colour.
#include <QCoreApplication>
#include <QImage>
#include <QSet>
#include <cstdio>

namespace {

int failures = 0;

void fail(const QString &path, const char *what)
{
    std::fprintf(stderr, "FAIL %s: %s\n", qPrintable(path), what);
    ++failures;
}

void checkIcon(const QString &path, int size)
{
    QImage image(path);
    if (image.isNull()) {
        fail(path, "does not load");
        return;
    }
    if (image.size() != QSize(size, size)) {
        fail(path, "has the wrong size");
        return;
    }
    if (!image.hasAlphaChannel())
        fail(path, "has no alpha channel");
    image = image.convertToFormat(QImage::Format_ARGB32);
    // The smallest size keeps a trace of antialiasing in a corner.
    if (qAlpha(image.pixel(0, 0)) > 8 || qAlpha(image.pixel(size - 1, size - 1)) > 8)
        fail(path, "corners are not transparent");
    if (qAlpha(image.pixel(size / 2, size / 2)) != 255)
        fail(path, "centre is not opaque");
    QSet<QRgb> colours;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x)
            if (qAlpha(image.pixel(x, y)) == 255)
                colours.insert(image.pixel(x, y) & 0xf0f0f0u);
    if (colours.size() < 4)
        fail(path, "has too few colours to show the strings");
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv); // no display needed to decode PNGs
    for (int size : {16, 32, 48, 64, 128, 256})
        checkIcon(QStringLiteral(":/icons/tressik-%1.png").arg(size), size);
    if (failures == 0)
        std::puts("icon resources OK");
    return failures == 0 ? 0 : 1;
}
