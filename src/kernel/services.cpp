// Fatal error, in-memory log and the replaceable millisecond clock.
#include "kernel/services.h"

#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <thread>

namespace {

void DefaultReporter(const char* message) {
    std::fprintf(stderr, "Fatal error: %s\n", message);
    std::fflush(stderr);
}

FatalReporter g_reporter = DefaultReporter;

std::string g_log;

class SteadyClock : public Clock {
public:
    uint32_t Now() override {
        using namespace std::chrono;
        auto ms = duration_cast<milliseconds>(steady_clock::now() - start_).count();
        return static_cast<uint32_t>(ms);
    }
    void Sleep(uint32_t ms) override { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

private:
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

SteadyClock g_steadyClock;
Clock* g_clock = &g_steadyClock;

}  // namespace

void FatalError(const char* format, ...) {
    char message[800];
    va_list args;
    va_start(args, format);
    std::vsnprintf(message, sizeof message, format, args);
    va_end(args);
    g_reporter(message);
    // A normal end of the show exits 0, so a fatal error must not.
    std::exit(1);
}

FatalReporter SetFatalReporter(FatalReporter reporter) {
    FatalReporter previous = g_reporter;
    g_reporter = reporter ? reporter : DefaultReporter;
    return previous;
}

void Log(const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    int length = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    if (length < 0) {
        va_end(args);
        return;
    }
    std::string line(static_cast<size_t>(length) + 1, '\0');
    std::vsnprintf(line.data(), line.size(), format, args);
    va_end(args);
    line.resize(static_cast<size_t>(length));
    if (!line.empty() && line.back() == '\n') line.pop_back();
    g_log += line;
    g_log += "\r\n";
}

const std::string& LogText() { return g_log; }
void ClearLog() { g_log.clear(); }

Clock* SetClock(Clock* clock) {
    Clock* previous = g_clock;
    g_clock = clock ? clock : &g_steadyClock;
    return previous;
}

uint32_t Milliseconds() { return g_clock->Now(); }
void SleepMilliseconds(uint32_t ms) { g_clock->Sleep(ms); }
void NotifyFramePresented() { g_clock->FramePresented(); }
