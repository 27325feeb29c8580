// Packer and decoder on a mixed corpus: the repository's sources plus
// generated 512 x 384 32-bit pictures (a linear and a radial gradient, a
// palette plasma, value-noise clouds). Packing reports its sizes next to
// gzip -9 and xz -9 of the same files, each file on its own as the library
// stores it ("*_concat": the whole part as one stream, for comparison);
// unpacking reports its speed.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "resources/library.h"
#include "resources/packer.h"

namespace {

constexpr int kWidth = 512;
constexpr int kHeight = 384;

using Bytes = std::vector<uint8_t>;

struct sPart {
    std::string name;
    std::vector<Bytes> files;
};

// A picture of 0x00RRGGBB pixels, little-endian: blue, green, red, zero.
template <typename ColourAt>
Bytes Picture(ColourAt colourAt) {
    Bytes bytes;
    bytes.reserve(kWidth * kHeight * 4);
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            uint32_t c = colourAt(x, y);
            bytes.insert(bytes.end(), {static_cast<uint8_t>(c), static_cast<uint8_t>(c >> 8),
                                       static_cast<uint8_t>(c >> 16), 0});
        }
    }
    return bytes;
}

uint32_t Rgb(int r, int g, int b) {
    auto clamp = [](int v) { return static_cast<uint32_t>(std::clamp(v, 0, 255)); };
    return clamp(r) << 16 | clamp(g) << 8 | clamp(b);
}

Bytes LinearGradient() {
    return Picture([](int x, int y) { return Rgb(x * 255 / 511, y * 255 / 383, 96); });
}

Bytes RadialGradient() {
    return Picture([](int x, int y) {
        int d = static_cast<int>(std::hypot(x - 256, y - 192));
        return Rgb(255 - d / 2, 200 - d * 200 / 640, 80 + d * 175 / 640);
    });
}

Bytes Plasma() {
    uint32_t palette[256];
    for (int i = 0; i < 256; ++i) {
        double a = i * M_PI / 128;
        palette[i] = Rgb(static_cast<int>(128 + 127 * std::sin(a)), static_cast<int>(128 + 127 * std::sin(2 * a + 1)),
                         static_cast<int>(128 + 127 * std::cos(a)));
    }
    return Picture([&](int x, int y) {
        double v = std::sin(x / 40.0) + std::sin(y / 27.0) + std::sin((x + y) / 53.0) +
                   std::sin(std::hypot(x - 200, y - 150) / 31.0);
        return palette[static_cast<int>((v + 4) * 32) & 255];
    });
}

// Five octaves of smoothly interpolated lattice noise.
Bytes Clouds() {
    auto lattice = [](int i, int j, int octave) {
        uint32_t h = static_cast<uint32_t>(i) * 374761393u + static_cast<uint32_t>(j) * 668265263u +
                     static_cast<uint32_t>(octave) * 2246822519u;
        h = (h ^ (h >> 13)) * 1274126177u;
        return ((h ^ (h >> 16)) & 0xFFFF) / 65535.0;
    };
    auto noise = [&](double x, double y, int octave) {
        int i = static_cast<int>(x), j = static_cast<int>(y);
        double fx = x - i, fy = y - j;
        double sx = fx * fx * (3 - 2 * fx), sy = fy * fy * (3 - 2 * fy);
        double a = lattice(i, j, octave), b = lattice(i + 1, j, octave);
        double c = lattice(i, j + 1, octave), d = lattice(i + 1, j + 1, octave);
        return (a + (b - a) * sx) * (1 - sy) + (c + (d - c) * sx) * sy;
    };
    return Picture([&](int x, int y) {
        double v = 0, amplitude = 0.5, frequency = 1.0 / 64;
        for (int octave = 0; octave < 5; ++octave) {
            v += amplitude * noise(x * frequency, y * frequency, octave);
            amplitude /= 2;
            frequency *= 2;
        }
        int level = static_cast<int>(v * 255 / 0.97);
        return Rgb(level / 2 + 60, level / 2 + 90, level + 40);
    });
}

std::vector<Bytes> SourceFiles() {
    std::vector<std::filesystem::path> paths;
    for (const char* dir : {"/src", "/tests"}) {
        for (const auto& entry :
             std::filesystem::recursive_directory_iterator(std::string(HDRIFT_SOURCE_DIR) + dir)) {
            if (entry.is_regular_file()) paths.push_back(entry.path());
        }
    }
    std::sort(paths.begin(), paths.end());
    std::vector<Bytes> files;
    for (const auto& path : paths) {
        std::ifstream in(path, std::ios::binary);
        files.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    return files;
}

// The parts, then (last) the whole corpus.
const std::vector<sPart>& Corpus() {
    static const std::vector<sPart> parts = [] {
        std::vector<sPart> p = {{"sources", SourceFiles()},
                                {"linear-gradient", {LinearGradient()}},
                                {"radial-gradient", {RadialGradient()}},
                                {"plasma", {Plasma()}},
                                {"clouds", {Clouds()}}};
        sPart all{"corpus", {}};
        for (const sPart& part : p) all.files.insert(all.files.end(), part.files.begin(), part.files.end());
        p.push_back(all);
        return p;
    }();
    return parts;
}

// Size of `command` < data, run through the shell.
double ExternalSize(const char* command, const Bytes& data) {
    char path[] = "/tmp/hdrift-bench-XXXXXX";
    int fd = mkstemp(path);
    if (fd < 0) return -1;
    bool written = data.empty() || write(fd, data.data(), data.size()) == static_cast<ssize_t>(data.size());
    close(fd);
    double size = -1;
    if (written) {
        std::string line = std::string(command) + " < " + path;
        if (std::FILE* pipe = popen(line.c_str(), "r")) {
            size = 0;
            char buffer[65536];
            while (size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) size += static_cast<double>(n);
            if (pclose(pipe) != 0) size = -1;
        }
    }
    std::remove(path);
    return size;
}

std::vector<Bytes> PackAll(const sPart& part) {
    std::vector<Bytes> packed;
    for (const Bytes& file : part.files) packed.push_back(PackStream(file));
    return packed;
}

const std::vector<Bytes>& PackedPart(size_t index) {
    static std::vector<std::vector<Bytes>> cache(Corpus().size());
    static std::vector<bool> done(Corpus().size());
    if (!done[index]) {
        cache[index] = PackAll(Corpus()[index]);
        done[index] = true;
    }
    return cache[index];
}

void BM_Pack(benchmark::State& state) {
    const sPart& part = Corpus()[static_cast<size_t>(state.range(0))];
    state.SetLabel(part.name);
    size_t input = 0;
    for (const Bytes& file : part.files) input += file.size();

    size_t packedBytes = 0;
    for (auto _ : state) {
        std::vector<Bytes> packed = PackAll(part);
        packedBytes = 0;
        for (const Bytes& p : packed) packedBytes += p.size();
        benchmark::DoNotOptimize(packed.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * input));

    double gzip = 0, xz = 0;
    Bytes whole;
    for (const Bytes& file : part.files) {
        gzip += ExternalSize("gzip -9c", file);
        xz += ExternalSize("xz -9c", file);
        whole.insert(whole.end(), file.begin(), file.end());
    }
    state.counters["in"] = static_cast<double>(input);
    state.counters["packed"] = static_cast<double>(packedBytes);
    state.counters["gzip9"] = gzip;
    state.counters["xz9"] = xz;
    state.counters["packed_concat"] = static_cast<double>(PackStream(whole).size());
    state.counters["gzip9_concat"] = ExternalSize("gzip -9c", whole);
    state.counters["xz9_concat"] = ExternalSize("xz -9c", whole);
    state.counters["vs_gzip9"] = static_cast<double>(packedBytes) / gzip;
}
BENCHMARK(BM_Pack)->DenseRange(0, 5)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_Unpack(benchmark::State& state) {
    const size_t index = static_cast<size_t>(state.range(0));
    const sPart& part = Corpus()[index];
    const std::vector<Bytes>& packed = PackedPart(index);
    state.SetLabel(part.name);
    std::vector<Bytes> out;
    size_t input = 0;
    for (const Bytes& file : part.files) {
        out.emplace_back(file.size());
        input += file.size();
    }
    for (auto _ : state) {
        for (size_t i = 0; i < packed.size(); ++i) {
            if (!Unpack(packed[i], out[i], nullptr)) {
                state.SkipWithError("stream did not unpack");
                return;
            }
        }
        benchmark::ClobberMemory();
    }
    for (size_t i = 0; i < packed.size(); ++i) {
        if (out[i] != part.files[i]) state.SkipWithError("unpacked bytes differ");
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * input));
}
BENCHMARK(BM_Unpack)->DenseRange(0, 5)->Unit(benchmark::kMicrosecond);

}  // namespace
