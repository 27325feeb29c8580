// Kernel services every subsystem uses: the fatal error, the in-memory log
// and the millisecond clock. The reporter and the clock are replaceable so
// tests, the headless mode and the platform layer can supply their own.
#pragma once

#include <cstdint>
#include <string>

// Formats the message (at most 799 characters kept), hands it to the fatal
// reporter and ends the process with exit status 1. A reporter may throw
// instead of returning (tests do), in which case the exception propagates.
[[noreturn]] void FatalError(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Receives the formatted message of a fatal error. The default writes
// "Fatal error: <message>" to standard error.
using FatalReporter = void (*)(const char* message);
FatalReporter SetFatalReporter(FatalReporter reporter);  // returns the previous one

// Appends one line to the in-memory log. A trailing line feed becomes CR LF;
// a line without one gets CR LF appended.
void Log(const char* format, ...) __attribute__((format(printf, 1, 2)));
const std::string& LogText();
void ClearLog();

// Source of Milliseconds(). The default counts real milliseconds from the
// start of the process, wrapping modulo 2^32 like a system tick counter.
// Starting near zero keeps clock values exact when stored in a float (as the
// fade start time is) for the first 4.6 hours.
class Clock {
public:
    virtual ~Clock() = default;
    virtual uint32_t Now() = 0;
    // Waits `ms` milliseconds of this clock's time.
    virtual void Sleep(uint32_t ms) = 0;
    // Told of every frame presented; a frame-driven clock advances here.
    virtual void FramePresented() {}
};
Clock* SetClock(Clock* clock);  // nullptr restores the default; returns the previous one
uint32_t Milliseconds();
void SleepMilliseconds(uint32_t ms);
void NotifyFramePresented();

// A clock that only moves when told to; tests and the deterministic mode use it.
class ManualClock : public Clock {
public:
    explicit ManualClock(uint32_t start = 0) : now_(start) {}
    uint32_t Now() override { return now_; }
    void Sleep(uint32_t ms) override { now_ += ms; }
    void Set(uint32_t ms) { now_ = ms; }
    void Advance(uint32_t ms) { now_ += ms; }

private:
    uint32_t now_;
};

// The deterministic clock: trunc(frames x 1000 / fps) + the sum of all
// sleeps, where frames counts every presented frame. It never reads the
// system clock and its sleeps return at once, so two runs see the same times.
class FixedFpsClock : public Clock {
public:
    explicit FixedFpsClock(uint32_t fps) : fps_(fps) {}
    uint32_t Now() override {
        return static_cast<uint32_t>(frames_ * 1000 / fps_) + static_cast<uint32_t>(slept_);
    }
    void Sleep(uint32_t ms) override { slept_ += ms; }
    void FramePresented() override { ++frames_; }
    uint64_t frames() const { return frames_; }

private:
    uint64_t fps_;
    uint64_t frames_ = 0;
    uint64_t slept_ = 0;
};
