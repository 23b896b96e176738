#pragma once

#include <cstdint>

// Draws 1-pixel lines into a bare 32-bit pixel buffer that someone else owns.
// Pixel centres sit at whole coordinates; everything outside the buffer is clipped,
// whatever the coordinates (huge, infinite or NaN ones included).
class Raster {
public:
    struct Box {
        int left, top, right, bottom; // inclusive; empty when right < left
        bool empty() const { return right < left || bottom < top; }
    };

    Raster(std::uint32_t* pixels, int width, int height, int stride_pixels);

    void set_pixel(double x, double y, std::uint32_t colour);
    void line(double x1, double y1, double x2, double y2, std::uint32_t colour);

    // The pixels touched since the last take_dirty, then forgets them.
    Box take_dirty();

private:
    void touch(int left, int top, int right, int bottom);

    std::uint32_t* pixels_;
    int width_;
    int height_;
    int stride_;
    Box dirty_{0, 0, -1, -1};
};
