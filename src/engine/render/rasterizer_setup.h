// The triangle set-up every fill routine shares: sort the vertices by y,
// walk the left and right edges row by row and record each row's span in
// the span buffer. Internal to the rasterizers, lines and sprites.
#pragma once

#include <array>
#include <cstdint>
#include <utility>

#include "engine/render/rasterizer.h"
#include "engine/render/render_state.h"

namespace raster {

// One record of the span buffer. x start and x end are 16.16 whole numbers;
// eu, ev, u, v are 16.16 values at the span's first pixel; the perspective
// routines keep w, u w and v w at the first pixel in the spare room.
struct sSpan {
    int32_t xStart;
    int32_t xEnd;
    int32_t eu;
    int32_t ev;
    int32_t u;
    int32_t v;
    float w;
    float uw;
    float vw;
    uint32_t spare[2];
};
static_assert(sizeof(sSpan) == 44);

constexpr int kSpanRows = 480;
constexpr int kRecordsPerRow = 64;
constexpr int kSpanRecords = kSpanRows * kRecordsPerRow;

// The span buffer (kSpanRecords records), allocated on first use and kept.
sSpan* SpanBuffer();

template <int N>
struct sVertex {
    float x, y;
    std::array<float, N> a;
};

template <int N>
struct sEdge {
    float x = 0, dx = 0;
    std::array<float, N> a{}, da{};

    // The edge from `from` to `to`, evaluated at row `row`.
    void Start(const sVertex<N>& from, const sVertex<N>& to, int32_t row) {
        const float dy = to.y - from.y;
        const float offset = static_cast<float>(row) - from.y;
        dx = (to.x - from.x) / dy;
        x = from.x + offset * dx;
        for (int i = 0; i < N; ++i) {
            da[i] = (to.a[i] - from.a[i]) / dy;
            a[i] = from.a[i] + offset * da[i];
        }
    }
    void Advance(int32_t rows) {
        const float k = static_cast<float>(rows);
        x += k * dx;
        for (int i = 0; i < N; ++i) a[i] += k * da[i];
    }
};

// Sets up the triangle and calls record(index, xStart, xEnd, values) for
// each drawn row, index counting from 0 at the first drawn row (returned in
// firstRow); values are the interpolated values at the span's first pixel.
// Rows above row 0 are skipped, not recorded, whichever vertex lies above;
// rows beyond `capacity` are not recorded. Returns the number of rows
// recorded (0 when nothing is drawn). `gradient` receives the change per
// pixel of each value, constant over the triangle.
// `Round` gives the first covered row or column of an edge at q.
template <int N, int32_t (*Round)(float), typename Record>
int32_t SetUpTriangleWith(std::array<sVertex<N>, 3>& v, std::array<float, N>& gradient, int32_t capacity,
                          int32_t& firstRow, Record&& record) {
    if (v[0].y > v[1].y) std::swap(v[0], v[1]);
    if (v[0].y > v[2].y) std::swap(v[0], v[2]);
    if (v[1].y > v[2].y) std::swap(v[1], v[2]);
    const sVertex<N>& top = v[0];
    const sVertex<N>& middle = v[1];
    const sVertex<N>& bottom = v[2];

    int32_t y0 = Round(top.y);
    int32_t y1 = Round(middle.y);
    int32_t y2 = Round(bottom.y);
    const int32_t lastRow = g_targetHeight - 1;
    if (y0 == y2 || y0 > lastRow || y2 < 0) return 0;
    if (y1 > lastRow) y1 = lastRow;
    if (y2 > lastRow) y2 = lastRow;

    if constexpr (N > 0) {
        // The long edge's value at the middle vertex's height, against the
        // middle vertex: one difference across the widest row.
        const float t = (middle.y - top.y) / (bottom.y - top.y);
        const float width = top.x + t * (bottom.x - top.x) - middle.x;
        for (int i = 0; i < N; ++i) gradient[i] = (top.a[i] + t * (bottom.a[i] - top.a[i]) - middle.a[i]) / width;
    }

    sEdge<N> shortEdge, longEdge;
    if (y1 - y0 > 0) shortEdge.Start(top, middle, y0);
    if (y2 - y0 > 0) longEdge.Start(top, bottom, y0);
    sEdge<N>* left = &shortEdge;
    sEdge<N>* right = &longEdge;
    if (shortEdge.dx > longEdge.dx) std::swap(left, right);

    firstRow = y0 < 0 ? 0 : y0;
    int32_t rows = 0;
    auto recordRow = [&](int32_t row) {
        const int32_t index = row - firstRow;
        if (row < 0 || index >= capacity) return;
        const int32_t xStart = Round(left->x);
        const int32_t xEnd = Round(right->x);
        std::array<float, N> values;
        const float offset = static_cast<float>(xStart) - left->x;
        for (int i = 0; i < N; ++i) values[i] = left->a[i] + offset * gradient[i];
        record(index, xStart, xEnd, values);
        rows = index + 1;
    };

    if (y1 < 0) {
        left->Advance(y1 - y0);
        right->Advance(y1 - y0);
    } else {
        int32_t row = y0;
        if (row < 0) {
            // Only the top vertex is above the target: its rows are skipped
            // in one step too. Stepping through them one by one would cost
            // time without bound (a vertex a billion rows up) and let the
            // float edges drift on the way down.
            left->Advance(-row);
            right->Advance(-row);
            row = 0;
        }
        for (; row < y1; ++row) {
            recordRow(row);
            left->Advance(1);
            right->Advance(1);
        }
    }

    // The middle->bottom edge takes the short edge's place and side.
    if (y2 - y1 > 0) shortEdge.Start(middle, bottom, y1);
    if (left->x > right->x) std::swap(left, right);
    if (y1 < 0) {
        left->Advance(-y1);
        right->Advance(-y1);
        y1 = 0;
    }
    for (int32_t row = y1; row < y2; ++row) {
        recordRow(row);
        left->Advance(1);
        right->Advance(1);
    }
    return rows;
}

template <int N, typename Record>
int32_t SetUpTriangle(std::array<sVertex<N>, 3>& v, std::array<float, N>& gradient, int32_t capacity,
                      int32_t& firstRow, Record&& record) {
    return SetUpTriangleWith<N, StartRule>(v, gradient, capacity, firstRow, record);
}

// A span column as a 16.16 whole number. Columns far outside any target
// (only degenerate input gives them) are held where the shift stays exact.
inline int32_t SpanX(int32_t x) {
    if (x > 32767) x = 32767;
    if (x < -32768) x = -32768;
    return x * 65536;
}

// The part of a span [xStart, xEnd) that lies inside the target's columns:
// returns the number of pixels skipped at the left (0 when none) and lowers
// xEnd to the target width.
inline int32_t ClipSpan(int32_t& xStart, int32_t& xEnd) {
    int32_t skipped = 0;
    if (xStart < 0) {
        skipped = -xStart;
        xStart = 0;
    }
    if (xEnd > g_targetWidth) xEnd = g_targetWidth;
    return skipped;
}

}  // namespace raster
