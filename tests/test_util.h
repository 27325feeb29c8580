// Shared helpers for the tests: fatal errors become exceptions so a test can
// check the message, and small fixtures for temporary files.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

// Thrown by the test fatal reporter, which every test binary installs.
struct FatalCalled : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Runs fn and checks that it ends in FatalError whose message contains `part`.
template <typename Fn>
void ExpectFatal(Fn&& fn, const std::string& part) {
    try {
        fn();
        ADD_FAILURE() << "expected a fatal error containing \"" << part << "\"";
    } catch (const FatalCalled& e) {
        EXPECT_NE(std::string(e.what()).find(part), std::string::npos)
            << "fatal message was: " << e.what();
    }
}

// Runs a shell command line. Returns its exit status (-1 if it did not exit
// normally) and its standard output; its standard error replaces the file
// "stderr.txt" in the working directory.
struct sCommandResult {
    int status;
    std::string out;
};
sCommandResult RunCommand(const std::string& commandLine);
std::string ReadFileText(const std::filesystem::path& path);

// A fresh, empty directory that is removed with the object; the working
// directory is switched into it for the object's life so relative file names
// land there.
class TempDir {
public:
    TempDir();
    ~TempDir();
    const std::filesystem::path& path() const { return path_; }
    void Write(const std::string& name, const std::string& bytes) const;
    void Write(const std::string& name, const std::vector<unsigned char>& bytes) const;

private:
    std::filesystem::path path_;
    std::filesystem::path previous_;
};
