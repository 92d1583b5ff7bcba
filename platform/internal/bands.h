// An area drawn on, kept as a few boxes rather than one: a falling piece at the
// top of the playfield and its shadow at the bottom change two small bands, and
// one box round both would have everything between them compared, composed and
// shown again. Boxes that overlap or nearly touch in height are joined; beyond
// the few kept, a new box joins its nearest.
#pragma once

#include <algorithm>
#include <cstdint>

#include "platform/runtime/types.h"

class Bands {
  public:
    static constexpr int MAX = 8;
    // Boxes fewer rows apart than this are joined: the rows between cost less
    // than another box's overhead.
    static constexpr std::int32_t GAP = 8;

    bool empty() const { return count_ == 0; }
    int size() const { return count_; }
    const Rect* begin() const { return boxes_; }
    const Rect* end() const { return boxes_ + count_; }
    void clear() { count_ = 0; }

    void add(const Rect& r) {
        if (r.right <= r.left || r.bottom <= r.top) return;
        // The last box first: drawing goes row by row more often than not.
        for (int i = count_ - 1; i >= 0; --i) {
            if (Distance(boxes_[i], r) <= GAP) {
                join(i, r);
                return;
            }
        }
        if (count_ < MAX) {
            boxes_[count_++] = r;
            return;
        }
        int nearest = 0;
        for (int i = 1; i < count_; ++i) {
            if (Distance(boxes_[i], r) < Distance(boxes_[nearest], r)) nearest = i;
        }
        join(nearest, r);
    }

    // The one box round them all; empty when there is none.
    Rect bounds() const {
        if (count_ == 0) return Rect{};
        Rect u = boxes_[0];
        for (int i = 1; i < count_; ++i)
            u = Union(u, boxes_[i]);
        return u;
    }

    // Each box cut to `limit`; those left empty go.
    void clip(const Rect& limit) {
        int kept = 0;
        for (int i = 0; i < count_; ++i) {
            const Rect& b = boxes_[i];
            Rect c{std::max(b.left, limit.left), std::max(b.top, limit.top),
                   std::min(b.right, limit.right), std::min(b.bottom, limit.bottom)};
            if (c.right > c.left && c.bottom > c.top) boxes_[kept++] = c;
        }
        count_ = kept;
    }

  private:
    static Rect Union(const Rect& a, const Rect& b) {
        return Rect{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
                    std::max(a.bottom, b.bottom)};
    }
    // Rows between two boxes (negative when they share rows).
    static std::int64_t Distance(const Rect& a, const Rect& b) {
        return std::int64_t{std::max(a.top, b.top)} - std::min(a.bottom, b.bottom);
    }
    // Box i takes in `r`, and any other box it now nearly touches.
    void join(int i, const Rect& r) {
        boxes_[i] = Union(boxes_[i], r);
        for (int j = 0; j < count_;) {
            if (j != i && Distance(boxes_[i], boxes_[j]) <= GAP) {
                boxes_[i] = Union(boxes_[i], boxes_[j]);
                boxes_[j] = boxes_[--count_];
                if (i == count_) i = j;
                j = 0;
            } else {
                ++j;
            }
        }
    }

    Rect boxes_[MAX];
    int count_ = 0;
};
