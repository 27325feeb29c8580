// Scratch files for the effect benchmarks: a directory that is the working
// directory for the object's life, holding JPEG pictures under the names an
// effect loads: smooth procedural ones (texture reads then have the locality
// of real content) or random pixels (no locality at all).
#pragma once

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "resources/jpeg_writer.h"

class cBenchFiles {
public:
    cBenchFiles() : previous_(std::filesystem::current_path()) {
        dir_ = std::filesystem::temp_directory_path() / ("hdrift-bench-" + std::to_string(std::random_device{}()));
        std::filesystem::create_directories(dir_);
        std::filesystem::current_path(dir_);
    }
    ~cBenchFiles() {
        std::filesystem::current_path(previous_);
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    cBenchFiles(const cBenchFiles&) = delete;
    cBenchFiles& operator=(const cBenchFiles&) = delete;

    void Picture(const std::string& name, int width, int height) {
        std::vector<uint32_t> pixels(static_cast<size_t>(width) * height);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                const auto channel = [&](double fx, double fy) {
                    return static_cast<uint32_t>(127.5 + 127.5 * std::sin(fx * x + fy * y));
                };
                pixels[static_cast<size_t>(y) * width + x] =
                    channel(0.05, 0.02) << 16 | channel(0.01, 0.07) << 8 | channel(0.09, 0.04);
            }
        Write(name, width, height, pixels);
    }

    void NoisePicture(const std::string& name, int width, int height) {
        std::vector<uint32_t> pixels(static_cast<size_t>(width) * height);
        std::mt19937 random(static_cast<uint32_t>(name.size() * 31 + width));
        for (uint32_t& p : pixels) p = random() & 0x00FFFFFF;
        Write(name, width, height, pixels);
    }

private:
    static void Write(const std::string& name, int width, int height, const std::vector<uint32_t>& pixels) {
        const std::vector<uint8_t> bytes = EncodeJpegWords(width, height, pixels, 90);
        std::ofstream(name, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }

    std::filesystem::path previous_, dir_;
};
