#pragma once

// pixel = logical * s + o, per axis: the form the line drawer takes a mapping in.
struct AffineMap {
    double sx, ox, sy, oy;
};
