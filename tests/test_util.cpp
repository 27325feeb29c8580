#include "test_util.h"

#include <sys/wait.h>

#include <cstdio>
#include <fstream>
#include <random>
#include <sstream>

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

sCommandResult RunCommand(const std::string& commandLine) {
    sCommandResult r{-1, ""};
    FILE* p = popen((commandLine + " 2>stderr.txt").c_str(), "r");
    if (!p) return r;
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
    int status = pclose(p);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

std::string ReadFileText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}
