// A scratch directory for the effect benchmarks: the working directory is
// inside it for the object's life, and pictures of random pixels are written
// there under the names an effect loads.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "resources/jpeg_writer.h"

class PictureDir {
public:
    PictureDir() : previous_(std::filesystem::current_path()) {
        dir_ = std::filesystem::temp_directory_path() / ("hdrift-bench-" + std::to_string(std::random_device{}()));
        std::filesystem::create_directories(dir_);
        std::filesystem::current_path(dir_);
    }
    ~PictureDir() {
        std::filesystem::current_path(previous_);
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    void Jpeg(const std::string& name, int width, int height) {
        std::vector<uint32_t> pixels(static_cast<size_t>(width) * height);
        std::mt19937 random(static_cast<uint32_t>(name.size() * 31 + width));
        for (uint32_t& p : pixels) p = random() & 0x00FFFFFF;
        const std::vector<uint8_t> bytes = EncodeJpegWords(width, height, pixels, 90);
        std::ofstream(name, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                    static_cast<std::streamsize>(bytes.size()));
    }

private:
    std::filesystem::path previous_, dir_;
};
