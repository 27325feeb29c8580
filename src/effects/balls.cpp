// Chrome balls: sphere sprites precomputed as surface normals, depth-tested
// into a band-sized normal buffer each frame, then shaded in one pass by
// turning every normal into a lookup in a rotating environment picture.
#include "effects/balls.h"

#include <algorithm>
#include <cmath>

#include "effects/balls_p.h"
#include "effects/framebuffer.h"
#include "kernel/services.h"
#include "resources/picture.h"
#include "video/video.h"

namespace balls_detail {

namespace {

struct sTriple {
    int16_t x = 0, y = 0, z = 0;
    bool Zero() const { return x == 0 && y == 0 && z == 0; }
};

// The sphere (centre (0, 0, 52), radius 10) seen from the origin through
// sprite pixel (column, row). The ray runs from the eye through a screen at
// distance 256 whose pixels are 100 / R units apart, centred between
// columns and rows 99 and 100.
sTriple CastRay(int row, int column, int R) {
    double dx = (column - 99.5) * 100 / R;
    double dy = (row - 99.5) * 100 / R;
    double dz = 256.0;
    // The length alone is taken in single precision; the division and
    // everything after it stay in double. The truncations below sit close
    // to integer boundaries, so this split matters to the last normal.
    float fx = static_cast<float>(dx), fy = static_cast<float>(dy), fz = static_cast<float>(dz);
    float length = std::sqrt(fx * fx + fy * fy + fz * fz);
    dx /= length;
    dy /= length;
    dz /= length;
    // |s d - Q|^2 = 10^2 written as s^2 + b s + c = 0 with b = 2 (d . Q):
    // its larger root is minus the distance to the near hit point H, so
    // P = Q + s d = Q - H is the inward normal at H, of length 10.
    double b = 104.0 * dz;
    double D = b * b - 4.0 * (52.0 * 52.0 - 10.0 * 10.0);
    if (D <= 0) return {};
    double s = (std::sqrt(D) - b) * 0.5;
    // 240 x a normal of length 10: components up to 2400, safely 16 bits.
    return {static_cast<int16_t>(240.0 * (s * dx)), static_cast<int16_t>(240.0 * (s * dy)),
            static_cast<int16_t>(240.0 * (52.0 + s * dz))};
}

}  // namespace

sBallSprite BuildSprite(int R) {
    sBallSprite sprite;
    sprite.firstRow = kSpriteSide / 2 - R / 2;
    sprite.lastRow = kSpriteSide / 2 + R / 2;
    std::vector<sTriple> packed;
    // One row of the sprite plus column 200, which is the next row's
    // column 0 (the end scan starts there).
    sTriple row[kSpriteSide + 1];
    for (int r = sprite.firstRow; r < sprite.lastRow; ++r) {
        for (int c = 0; c < kSpriteSide; ++c) row[c] = CastRay(r, c, R);
        row[kSpriteSide] = r + 1 < kSpriteSide ? CastRay(r + 1, 0, R) : sTriple{};

        int start = 0;
        while (start < kSpriteSide && row[start].Zero()) ++start;
        int end = kSpriteSide;
        while (end >= 1 && row[end].Zero()) --end;
        // A span runs from the first lit column to the last one, which it
        // excludes unless it is the only one. Every covered row of every
        // size in use has a lit pixel; a row without one gets an empty span
        // rather than a negative length.
        if (start == kSpriteSide)
            start = end = 0;
        else if (start == end)
            end = start + 1;
        sprite.spanStart[r] = start;
        sprite.spanEnd[r] = end;
        sprite.rowIndex[r] = sprite.total;
        packed.insert(packed.end(), row + start, row + end);
        sprite.total += end - start;
    }
    sprite.nx.resize(sprite.total);
    sprite.ny.resize(sprite.total);
    sprite.nz.resize(sprite.total);
    for (int32_t i = 0; i < sprite.total; ++i) {
        sprite.nx[i] = packed[i].x;
        sprite.ny[i] = packed[i].y;
        sprite.nz[i] = packed[i].z;
    }
    Log("alloc %d bytes\n", static_cast<int>(sprite.total * 3 * sizeof(int16_t)));
    return sprite;
}

int SpriteNumber(uint32_t p) {
    // The size swings over 68 sprites with a period of 600 pi ms (~1.9 s);
    // the result stays within 1..69 since the sine stays within -1..1.
    double wave = std::sin(p * 0.0033333334) * 0.5 + 0.5;
    return static_cast<int>(70.0 - (wave * 68.0 + 1.0));
}

sShadeMatrix RotationAt(uint32_t t) {
    // 1024 steps to the turn; the angle unit is 3217 / 2^19, a hair under
    // 2 pi / 1024, so index i * unit is exact in double.
    struct sTables {
        double sine[1024], cosine[1024];
        sTables() {
            for (int i = 0; i < 1024; ++i) {
                sine[i] = std::sin(i * 0.00613591796875);
                cosine[i] = std::cos(i * 0.00613591796875);
            }
        }
    };
    static const sTables tables;
    using M4 = std::array<std::array<double, 4>, 4>;
    auto multiply = [](const M4& a, const M4& b) {
        M4 r{};
        for (int i = 0; i < 4; ++i)
            for (int k = 0; k < 4; ++k) {
                double sum = 0.0;
                for (int j = 0; j < 4; ++j) sum += a[i][j] * b[j][k];
                r[i][k] = sum;
            }
        return r;
    };
    const unsigned a1 = (t / 3) & 1023, a2 = (t / 4) & 1023, a3 = (t / 5) & 1023;
    const double s1 = tables.sine[a1], c1 = tables.cosine[a1];
    const double s2 = tables.sine[a2], c2 = tables.cosine[a2];
    const double s3 = tables.sine[a3], c3 = tables.cosine[a3];
    // Row-vector matrices: v' = v M.
    const M4 rz{{{c1, s1, 0, 0}, {-s1, c1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}}};
    const M4 rx{{{1, 0, 0, 0}, {0, c2, s2, 0}, {0, -s2, c2, 0}, {0, 0, 0, 1}}};
    const M4 ry{{{c3, 0, s3, 0}, {0, 1, 0, 0}, {-s3, 0, c3, 0}, {0, 0, 0, 1}}};
    const M4 m = multiply(multiply(rz, rx), ry);
    auto fixed = [](double v) { return static_cast<int32_t>(v * 256.0); };
    return {fixed(m[0][0]), fixed(m[1][0]), fixed(m[2][0]), fixed(m[0][1]), fixed(m[1][1]), fixed(m[2][1])};
}

void DepthSpanReference(const int16_t* spriteX, const int16_t* spriteY, const int16_t* spriteZ,
                        int depthOffset, int16_t* depth, sNormalPlanes normals, int n) {
    for (int i = 0; i < n; ++i) {
        int z = spriteZ[i] + depthOffset;
        if (depth[i] < z) {
            normals.x[i] = spriteX[i];
            normals.y[i] = spriteY[i];
            normals.z[i] = spriteZ[i];
            depth[i] = static_cast<int16_t>(z);
        }
    }
}

void ShadeReference(const int16_t* x, const int16_t* y, const int16_t* z, const sShadeMatrix& m,
                    const uint32_t* environment, uint32_t* out, int n) {
    for (int i = 0; i < n; ++i) {
        if (z[i] == 0) {
            out[i] = 0xFFFFFFFFu;
            continue;
        }
        // Normals (scaled to 2400) times the 8.8 matrix, >> 12: about
        // +-150 around the picture's centre, wrapping near a ball's rim.
        int32_t u = (((x[i] * m.m00 + y[i] * m.m10 + z[i] * m.m20) >> 12) + 128) & 255;
        int32_t v = (((x[i] * m.m01 + y[i] * m.m11 + z[i] * m.m21) >> 12) + 128) & 255;
        out[i] = environment[v * 256 + u];
    }
}

}  // namespace balls_detail

using namespace balls_detail;

namespace {

struct sBallsState {
    sPicture environment;  // 256 x 256, pixel (V * 256 + U)
    std::vector<sBallSprite> sprites;
    // Band-sized buffers: normal x, y, z planes one after the other, and depth.
    std::vector<int16_t> normals;
    std::vector<int16_t> depth;
};

sBallsState g_balls;
bool g_firstFrameDrawn = false;  // set by the first frame ever drawn, never cleared

constexpr int kFramePixels = 512 * 384;
constexpr int kBandTop = 92;

// The SSE2 loops unless the frame buffer operations run on the reference
// path (HDRIFT_SIMD=reference), so one switch selects the plain loops.
struct sBallsLoops {
    decltype(&DepthSpanReference) depthSpan;
    decltype(&ShadeReference) shade;
};
sBallsLoops Loops() {
#if defined(__x86_64__)
    if (ActiveSimdPath() != SimdPath::Reference) return {DepthSpanSse2, ShadeSse2};
#endif
    return {DepthSpanReference, ShadeReference};
}

}  // namespace

void balls_detail::ForgetFirstFrame() { g_firstFrameDrawn = false; }

void BallsInit() {
    uint32_t* frame = FrameBuffer();
    g_balls = sBallsState{};
    g_balls.environment = LoadPicture("eball.png");
    const sPicture& env = g_balls.environment;
    if (env.bits != 32 || env.width != 256 || env.height != 256)
        FatalError("eball.png: expected a 256 x 256 colour picture, got %d x %d", env.width, env.height);
    RotationAt(0);  // builds the angle tables now rather than on the first frame

    g_balls.sprites.reserve(kSpriteCount);
    for (int i = 0; i < kSpriteCount; ++i) {
        g_balls.sprites.push_back(BuildSprite(98 - i));
        if (frame) PresentFrame(frame);
    }
    g_balls.normals.assign(3 * kBandPixels, 0);
    g_balls.depth.assign(kBandPixels, 0);
}

void BallsStop() { g_balls = sBallsState{}; }

void BallsRender(uint32_t* frame) {
    if (g_balls.sprites.empty()) return;  // released by the stop hook, not rebuilt
    if (!g_firstFrameDrawn) {
        g_firstFrameDrawn = true;
        FillBuffer(frame, 0, kFramePixels);
    }
    const uint32_t t = Milliseconds();
    const sShadeMatrix m = RotationAt(t);
    const sNormalPlanes planes{g_balls.normals.data(), g_balls.normals.data() + kBandPixels,
                               g_balls.normals.data() + 2 * kBandPixels};
    int16_t* depth = g_balls.depth.data();
    // Only z and depth need clearing: a pixel is drawn only where its depth
    // rises above 0, so z = 0 marks exactly the pixels no ball reached, and
    // the shading never uses x and y there.
    std::fill_n(planes.z, kBandPixels, int16_t{0});
    std::fill_n(depth, kBandPixels, int16_t{0});

    const sBallsLoops loops = Loops();
    for (int g = 0; g < 4; ++g) {
        for (int h = 0; h < 6; ++h) {
            const int A = SpriteNumber(t + 200u * h + 320u * g);
            const sBallSprite& sprite = g_balls.sprites[A];
            // Farther (smaller) balls sit deeper: only the part of a sprite
            // whose z exceeds 20 A survives the test against the cleared 0.
            const int depthOffset = -20 * A;
            const int columnOffset = (h * 80 + 56) - kSpriteSide / 2;  // centres 56, 136, ..., 456
            const int rowOffset = (g * 40 + 40) - kSpriteSide / 2;     // centres 40, 80, 120, 160
            for (int r = sprite.firstRow; r < sprite.lastRow; ++r) {
                const int y = r + rowOffset;
                int xs = sprite.spanStart[r] + columnOffset;
                int xe = sprite.spanEnd[r] + columnOffset;
                if (xe < 0 || xs > kBandWidth - 1 || y < 0 || y > kBandHeight - 1) continue;
                int index = sprite.rowIndex[r];
                if (xs < 0) {
                    index -= xs;
                    xs = 0;
                }
                xe = std::min(xe, kBandWidth - 1);  // column 511 is never drawn
                if (xe <= xs) continue;
                const int at = y * kBandWidth + xs;
                loops.depthSpan(sprite.nx.data() + index, sprite.ny.data() + index, sprite.nz.data() + index,
                          depthOffset, depth + at, {planes.x + at, planes.y + at, planes.z + at}, xe - xs);
            }
        }
    }
    loops.shade(planes.x, planes.y, planes.z, m, g_balls.environment.pixels.data(), frame + kBandTop * 512,
          kBandPixels);
}
