#include "tile_noise.h"

#include <cmath>

namespace {

uint32_t Hash(uint32_t x, uint32_t y, uint32_t seed) {
    uint32_t h = x * 0x9E3779B1u ^ y * 0x85EBCA77u ^ seed * 0xC2B2AE3Du;
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    h ^= h >> 12;
    h *= 0x297A2D39u;
    h ^= h >> 15;
    return h;
}

double Smooth(double t) { return t * t * (3 - 2 * t); }

uint32_t Wrap(int64_t i, int period) { return static_cast<uint32_t>(((i % period) + period) % period); }

}  // namespace

double TileNoise(double x, double y, int period, uint32_t seed) {
    const double fx = std::floor(x), fy = std::floor(y);
    const int64_t ix = static_cast<int64_t>(fx), iy = static_cast<int64_t>(fy);
    const double tx = Smooth(x - fx), ty = Smooth(y - fy);
    auto v = [&](int dx, int dy) {
        return (Hash(Wrap(ix + dx, period), Wrap(iy + dy, period), seed) >> 8) * (1.0 / 16777216.0);
    };
    const double top = v(0, 0) + (v(1, 0) - v(0, 0)) * tx;
    const double bottom = v(0, 1) + (v(1, 1) - v(0, 1)) * tx;
    return top + (bottom - top) * ty;
}

double TileFbm(double x, double y, int period, int octaves, uint32_t seed) {
    double sum = 0, weight = 0.5, total = 0;
    for (int i = 0; i < octaves; ++i) {
        sum += TileNoise(x, y, period, seed + 7919u * static_cast<uint32_t>(i)) * weight;
        total += weight;
        x *= 2;
        y *= 2;
        period *= 2;
        weight *= 0.5;
    }
    return sum / total;
}
