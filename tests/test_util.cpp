#include "test_util.h"

#include <fstream>
#include <random>

#include "kernel/services.h"

namespace {

void ThrowingReporter(const char* message) { throw FatalCalled(message); }

// Installed before any test runs.
const bool g_installed = [] {
    SetFatalReporter(ThrowingReporter);
    return true;
}();

}  // namespace

TempDir::TempDir() {
    std::random_device rd;
    previous_ = std::filesystem::current_path();
    path_ = std::filesystem::temp_directory_path() /
            ("hdrift-test-" + std::to_string(rd()) + std::to_string(rd()));
    std::filesystem::create_directories(path_);
    std::filesystem::current_path(path_);
}

TempDir::~TempDir() {
    std::filesystem::current_path(previous_);
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

void TempDir::Write(const std::string& name, const std::string& bytes) const {
    std::ofstream out(path_ / name, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

void TempDir::Write(const std::string& name, const std::vector<unsigned char>& bytes) const {
    Write(name, std::string(bytes.begin(), bytes.end()));
}
