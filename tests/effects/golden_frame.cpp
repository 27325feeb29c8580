#include "golden_frame.h"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "resources/png_writer.h"

namespace golden {

namespace {

const std::filesystem::path g_startDirectory = std::filesystem::current_path();

}  // namespace

uint64_t Fnv1a64(const void* data, size_t bytes) {
    const auto* p = static_cast<const uint8_t*>(data);
    uint64_t h = 0xCBF29CE484222325ull;
    for (size_t i = 0; i < bytes; ++i) {
        h ^= p[i];
        h *= 0x100000001B3ull;
    }
    return h;
}

void ExpectFrame(const std::string& name, const uint32_t* frame, uint64_t expected) {
    const uint64_t actual = Fnv1a64(frame, 512 * 384 * sizeof(uint32_t));
    const bool write = actual != expected || std::getenv("HDRIFT_WRITE_GOLDEN") != nullptr;
    std::string where;
    if (write) {
        const std::filesystem::path path = g_startDirectory / (name + ".png");
        std::string error;
        where = WritePng(path.string(), frame, 512, 384, &error) ? path.string() : "(not written: " + error + ")";
    }
    EXPECT_EQ(actual, expected) << name << ": hash 0x" << std::hex << actual << ", frame in " << where;
}

void WriteFiles(const TempDir& dir, const std::vector<sPackEntry>& files) {
    for (const sPackEntry& f : files) dir.Write(f.name, f.data);
}

void InFreshRun(const std::function<void()>& body) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            // A death test's child reports nothing itself, so its failures
            // are collected here and go to the standard error, which the
            // parent shows when the exit code says something failed.
            ::testing::TestPartResultArray results;
            {
                ::testing::ScopedFakeTestPartResultReporter reporter(
                    ::testing::ScopedFakeTestPartResultReporter::INTERCEPT_ALL_THREADS, &results);
                body();
            }
            int failures = 0;
            for (int i = 0; i < results.size(); ++i) {
                const ::testing::TestPartResult& r = results.GetTestPartResult(i);
                if (!r.failed()) continue;
                ++failures;
                std::fprintf(stderr, "%s:%d: %s\n", r.file_name() ? r.file_name() : "?", r.line_number(), r.message());
            }
            std::fflush(nullptr);
            std::_Exit(failures ? 1 : 0);
        },
        ::testing::ExitedWithCode(0), "");
}

}  // namespace golden
