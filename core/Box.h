#pragma once

#include <algorithm>
#include <climits>

// A box of whole coordinates, both corners included: the pixels a drawing touched, or the
// extent of a metafile's points. top and bottom are the least and the greatest y, whichever
// way y grows. Box{} is the empty box, its corners turned inside out, so cover() needs no
// test and a box grown in a loop's local variable can stay in registers; every empty box is
// written so.
struct Box {
    int left = INT_MAX, top = INT_MAX, right = INT_MIN, bottom = INT_MIN;

    bool empty() const { return right < left || bottom < top; }

    // Grow to take in a point, or another box. Branch-free, for boxes grown per string or per
    // batch.
    void cover(int x, int y)
    {
        left = std::min(left, x);
        right = std::max(right, x);
        top = std::min(top, y);
        bottom = std::max(bottom, y);
    }
    void cover(const Box& other)
    {
        left = std::min(left, other.left);
        right = std::max(right, other.right);
        top = std::min(top, other.top);
        bottom = std::max(bottom, other.bottom);
    }

    // Grows to cover `other` too; either may be empty in any way.
    void unite(const Box& other)
    {
        if (other.empty())
            return;
        if (empty()) {
            *this = other;
            return;
        }
        left = std::min(left, other.left);
        top = std::min(top, other.top);
        right = std::max(right, other.right);
        bottom = std::max(bottom, other.bottom);
    }
};
