// Raytraced planes. One ray per 4 x 4 pixel block (128 x 50 rays) finds where
// it meets the floor or the ceiling; texture coordinates and fog are then
// interpolated in between with integer averages, and each pixel is a texel
// lightened towards white by the fog.
#include "effects/raytrace.h"

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <vector>

#include "effects/framebuffer.h"
#include "effects/parameters.h"
#include "effects/sized_picture.h"
#include "effects/truncate_p.h"
#include "effects/raytrace_p.h"
#include "kernel/services.h"
#include "resources/picture.h"

using namespace raytrace_detail;

namespace {

constexpr int kWidth = 512;
constexpr int kHeight = 384;
constexpr int kBandTop = 92;
constexpr int kBorderRows = 92;
constexpr int kGridColumns = 128, kGridRows = 50;
constexpr int kTextureSide = 256;
constexpr int kTableSize = 1024;
constexpr double kTableStep = 0.00613591796875;  // 2 pi / 1024 to 12 digits

struct sRaytrace {
    std::vector<uint32_t> texture, top, bottom;
    double sine[kTableSize], cosine[kTableSize];
    float lens[kGridRows][kGridColumns];
    std::vector<uint32_t> u, v, shade;  // the coarse grid, kCoarseRows x kCoarseStride each
};

std::unique_ptr<sRaytrace> g_state;
// Only the first frame of the whole run starts from a white frame; a later
// switch-on (even after the stop hook) draws over what is there, so the four
// right-most band columns keep that white.
bool g_firstFrameDone = false;

// Narrowing as IEEE arithmetic does it, overflow going to infinity; written
// out because a double beyond the float range has no defined conversion in
// C++. (Values a hair above FLT_MAX become infinity here rather than
// FLT_MAX; either way the ray is fogged white and its coordinates overflow.)
float ToFloat(double x) {
    if (x > std::numeric_limits<float>::max()) return std::numeric_limits<float>::infinity();
    if (x < -std::numeric_limits<float>::max()) return -std::numeric_limits<float>::infinity();
    return static_cast<float>(x);
}

uint32_t FloatBits(float f) {
    uint32_t bits;
    std::memcpy(&bits, &f, sizeof bits);
    return bits;
}

// (a + b) >> 1 in 32 bits, the carry out of bit 31 lost. Only bits 16..23 of
// a sample are ever drawn, and those come out right whatever the wrap does.
inline uint32_t Average(uint32_t a, uint32_t b) { return (a + b) >> 1; }

// (a >> 1) + (b >> 1) in two 16-bit lanes with unsigned saturation: the low
// halves neither carry into the high halves nor wrap.
inline uint32_t HalfSumLanes(uint32_t a, uint32_t b) {
    a >>= 1;
    b >>= 1;
    uint32_t low = (a & 0xFFFF) + (b & 0xFFFF);
    uint32_t high = (a >> 16) + (b >> 16);
    if (low > 0xFFFF) low = 0xFFFF;
    if (high > 0xFFFF) high = 0xFFFF;
    return high << 16 | low;
}

inline uint32_t FoggedTexel(const uint32_t* texture, uint32_t u, uint32_t v, uint32_t shade) {
    uint32_t texel = texture[((v >> 8) & 0xFF00) | ((u >> 16) & 0xFF)];
    uint32_t fog = 255 - ((shade >> 16) & 0xFF);
    // Each colour byte gains the fog, saturating; the top byte (0 in a
    // texel) gains 255.
    uint32_t result = 0xFF000000;
    for (int shift = 0; shift < 24; shift += 8) {
        uint32_t sum = ((texel >> shift) & 0xFF) + fog;
        result |= (sum > 255 ? 255 : sum) << shift;
    }
    return result;
}

// The camera nods about the screen's x axis, ±18 degrees around level.
// (The full matrix is Rz(0) Rx(a) Ry(0); rotations by table index 0 are
// exact identities, so only the x rotation is applied.)
void TraceRays(sRaytrace& s, uint32_t t, float lensDepth, float planeDistance) {
    // About t / 30 frames at 7 texels a frame; the product is formed in
    // single precision.
    const float frames = static_cast<float>(t) * 0.0333333f;
    const int scroll = static_cast<int>(static_cast<int64_t>(frames * 7.0f) & 0xFF);
    const int a = static_cast<int>(std::sin(t * 0.0007142857) * 52 + 256);  // 204..308
    const double c = s.cosine[a], sn = s.sine[a];

    for (int r = 0; r < kGridRows; ++r) {
        uint32_t* u = s.u.data() + 4 * r * kCoarseStride;
        uint32_t* v = s.v.data() + 4 * r * kCoarseStride;
        uint32_t* shade = s.shade.data() + 4 * r * kCoarseStride;
        for (int q = 0; q < kGridColumns; ++q) {
            // Row vector (x, y, z) times the rotation with rows
            // (1, 0, 0), (0, c, s), (0, -s, c).
            const double y0 = (r - 25) * 4;
            const double z0 = lensDepth + s.lens[r][q];  // single-precision sum
            double dx = (q - 64) * 4;
            double dy = y0 * c - z0 * sn;
            double dz = y0 * sn + z0 * c;
            const double length = std::sqrt(dx * dx + dy * dy + dz * dz);
            if (length != 0) {
                dx /= length;
                dy /= length;
                dz /= length;
            }
            // Up to the ceiling or down to the floor, both planeDistance
            // away. A level ray (dy = 0) gets an infinite distance.
            const double sign = dy < 0 ? -1.0 : 1.0;
            const float distance = ToFloat(sign * planeDistance / dy);
            const double hx = distance * dx, hy = distance * dy, hz = distance * dz;
            u[q] = static_cast<uint32_t>(TruncToInt32((hx + hy) * 0.04 * 65536));
            v[q] = static_cast<uint32_t>(TruncToInt32((hz * 0.04 + scroll) * 65536));
            // Fog: the clamp compares bit patterns as signed integers, so
            // +inf and NaN become 255 while negative values pass unclamped.
            float fog = distance * 0.01f;
            if (static_cast<int32_t>(FloatBits(fog)) > static_cast<int32_t>(FloatBits(255.0f))) fog = 255.0f;
            shade[q] = static_cast<uint32_t>(TruncToInt32((255.0f - fog) * 65536.0f));
        }
    }
}

// Fills the rows between the traced ones at every 4th column: first the
// middle rows 4r + 2, then the odd rows. Row 200 is never traced and keeps
// its initial 0xFFFFFFFF; rows 197..199, which lean on it, are not drawn.
void FillRows(std::vector<uint32_t>& plane) {
    auto rowAt = [&](int y) { return plane.data() + y * kCoarseStride; };
    for (int r = 0; r < kGridRows; ++r) {
        const uint32_t *above = rowAt(4 * r), *below = rowAt(4 * r + 4);
        uint32_t* mid = rowAt(4 * r + 2);
        for (int m = 0; m < kGridColumns; ++m) mid[m] = Average(above[m], below[m]);
    }
    for (int k = 0; k < 100; ++k) {
        const uint32_t *above = rowAt(2 * k), *below = rowAt(2 * k + 2);
        uint32_t* mid = rowAt(2 * k + 1);
        for (int m = 0; m < kGridColumns; ++m) mid[m] = Average(above[m], below[m]);
    }
    for (int y = 0; y < 200; ++y) rowAt(y)[kGridColumns] = rowAt(y + 1)[0];
}

}  // namespace

namespace raytrace_detail {

void DrawGroupsReference(const sCoarseRow& row, const uint32_t* texture, uint32_t* out, int first, int end) {
    for (int m = first; m < end; ++m) {
        const uint32_t u0 = row.u[m], u4 = row.u[m + 1];
        const uint32_t v0 = row.v[m], v4 = row.v[m + 1];
        const uint32_t s0 = row.shade[m], s4 = row.shade[m + 1];
        const uint32_t u2 = HalfSumLanes(u0, u4), v2 = HalfSumLanes(v0, v4), s2 = Average(s0, s4);
        uint32_t* p = out + 4 * m;
        p[0] = FoggedTexel(texture, u0, v0, s0);
        p[1] = FoggedTexel(texture, Average(u0, u2), Average(v0, v2), Average(s0, s2));
        p[2] = FoggedTexel(texture, u2, v2, s2);
        p[3] = FoggedTexel(texture, Average(u2, u4), Average(v2, v4), Average(s2, s4));
    }
}

void DrawRowReference(const sCoarseRow& row, const uint32_t* texture, uint32_t* out) {
    DrawGroupsReference(row, texture, out, 0, kDrawColumns / 4);
}

}  // namespace raytrace_detail

void RaytraceInit() {
    auto s = std::make_unique<sRaytrace>();
    s->texture = LoadSizedPicture("textuur.jpg", kTextureSide, kTextureSide);
    s->top = LoadSizedPicture("rayboven.jpg", kWidth, kBorderRows);
    s->bottom = LoadSizedPicture("rayonder.jpg", kWidth, kBorderRows);
    for (int i = 0; i < kTableSize; ++i) {
        s->sine[i] = std::sin(i * kTableStep);
        s->cosine[i] = std::cos(i * kTableStep);
    }
    // The lens bulges: rays near the centre get a longer z (a narrower view).
    for (int r = 0; r < kGridRows; ++r)
        for (int q = 0; q < kGridColumns; ++q)
            s->lens[r][q] = static_cast<float>(64 - 2 * std::sqrt(double((q - 64) * (q - 64) + (r - 25) * (r - 25))));
    const size_t words = size_t{kCoarseRows} * kCoarseStride;
    s->u.assign(words, 0xFFFFFFFF);
    s->v.assign(words, 0xFFFFFFFF);
    s->shade.assign(words, 0xFFFFFFFF);
    g_state = std::move(s);
}

void RaytraceRender(uint32_t* frame) {
    if (!g_state) return;
    sRaytrace& s = *g_state;
    const uint32_t t = Milliseconds();
    if (!g_firstFrameDone) {
        g_firstFrameDone = true;
        FillBuffer(frame, 0xFFFFFF, kWidth * kHeight);
    }
    // Planes 2000 apart from the eye, breathing by raytrace::plane; the lens
    // depth breathes by raytrace::z around 32.
    const double seconds = t * 0.001;
    const float lensDepth = ToFloat(std::sin(seconds) * raytrace::z + 32.0);
    const float planeDistance = ToFloat(std::cos(seconds) * raytrace::plane + 2000.0);
    TraceRays(s, t, lensDepth, planeDistance);
    FillRows(s.u);
    FillRows(s.v);
    FillRows(s.shade);

#if defined(__x86_64__)
    const bool simd = ActiveSimdPath() != SimdPath::Reference;
#endif
    uint32_t* band = frame + kBandTop * kWidth;
    for (int y = 0; y < kDrawRows; ++y) {
        const size_t at = size_t(y) * kCoarseStride;
        const sCoarseRow row{s.u.data() + at, s.v.data() + at, s.shade.data() + at};
#if defined(__x86_64__)
        if (simd) {
            DrawRowSse2(row, s.texture.data(), band + y * kWidth);
            continue;
        }
#endif
        DrawRowReference(row, s.texture.data(), band + y * kWidth);
    }
    FillBuffer(band + kDrawRows * kWidth, 0xFFFFFF, 4 * kWidth);
    CopyBuffer(frame, s.top.data(), kBorderRows * kWidth);
    CopyBuffer(frame + (kHeight - kBorderRows) * kWidth, s.bottom.data(), kBorderRows * kWidth);
}

void RaytraceStop() { g_state.reset(); }
