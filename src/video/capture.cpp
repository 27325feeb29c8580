// Frame capture to PNG files or, through ffmpeg, to a video file.
#include "video/capture.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "kernel/options.h"
#include "resources/png_writer.h"

namespace {

constexpr int kWidth = 512, kHeight = 384;

}  // namespace

std::string ShellQuote(const std::string& s) {
    std::string out = "'";
    for (char c : s) {
        if (c == '\'') out += "'\\''";
        else out += c;
    }
    return out + "'";
}

std::unique_ptr<cFrameCapture> cFrameCapture::Open(const std::string& path, uint32_t fps,
                                                   std::span<const uint8_t> music, std::string* error) {
    std::unique_ptr<cFrameCapture> c(new cFrameCapture);
    c->path_ = path;
    c->fps_ = fps;
    c->video_ = CaptureIsVideo(path);
    if (!c->video_) {
        std::error_code ec;
        std::filesystem::create_directories(path, ec);
        if (!std::filesystem::is_directory(path)) {
            *error = "cannot create the capture directory " + path;
            return nullptr;
        }
        return c;
    }
    if (std::system("command -v ffmpeg >/dev/null 2>&1") != 0) {
        *error = "capturing to " + path + " needs the ffmpeg command, which is not installed";
        return nullptr;
    }
    std::string audioInput;
    if (!music.empty()) {
        char name[] = "/tmp/hdrift-soundtrack-XXXXXX.mp3";
        int fd = mkstemps(name, 4);
        if (fd < 0) {
            *error = "cannot write the soundtrack for ffmpeg";
            return nullptr;
        }
        bool ok = ::write(fd, music.data(), music.size()) == static_cast<ssize_t>(music.size());
        ::close(fd);
        c->audioPath_ = name;
        if (!ok) {
            *error = "cannot write the soundtrack for ffmpeg";
            return nullptr;
        }
        audioInput = " -i " + ShellQuote(name) + " -map 0:v:0 -map 1:a:0 -shortest";
    }
    std::string command = "ffmpeg -hide_banner -loglevel error -y -f rawvideo -pix_fmt bgr0 -s " +
                          std::to_string(kWidth) + "x" + std::to_string(kHeight) + " -r " + std::to_string(fps) +
                          " -i -" + audioInput + " -pix_fmt yuv420p " + ShellQuote(path);
    c->pipe_ = popen(command.c_str(), "w");
    if (!c->pipe_) {
        *error = "cannot start ffmpeg";
        return nullptr;
    }
    return c;
}

cFrameCapture::~cFrameCapture() {
    if (pipe_) pclose(pipe_);
    if (!audioPath_.empty()) std::remove(audioPath_.c_str());
}

bool cFrameCapture::Write(const uint32_t* frame, uint32_t position, std::string* error) {
    // The output frame whose moment k x 1000 / fps lies nearest this position.
    uint64_t k = (static_cast<uint64_t>(position) * fps_ + 500) / 1000;
    if (written_ > k) return true;
    while (written_ < k)
        if (!Emit(last_.empty() ? frame : last_.data(), error)) return false;
    last_.assign(frame, frame + kWidth * kHeight);
    return Emit(frame, error);
}

bool cFrameCapture::Emit(const uint32_t* frame, std::string* error) {
    if (video_) {
        size_t bytes = static_cast<size_t>(kWidth) * kHeight * 4;
        if (std::fwrite(frame, 1, bytes, pipe_) != bytes) {
            *error = "ffmpeg stopped taking frames for " + path_;
            return false;
        }
    } else {
        char name[32];
        std::snprintf(name, sizeof name, "%06llu.png", static_cast<unsigned long long>(written_));
        if (!WritePng((std::filesystem::path(path_) / name).string(), frame, kWidth, kHeight, error)) return false;
    }
    ++written_;
    ReportProgress(false);
    return true;
}

void cFrameCapture::ReportProgress(bool last) {
    auto now = std::chrono::steady_clock::now();
    if (!last && now - lastReport_ < std::chrono::seconds(1)) return;
    lastReport_ = now;
    double elapsed = std::chrono::duration<double>(now - started_).count();
    uint64_t ms = written_ * 1000 / fps_;
    std::fprintf(stderr, "\rcapture: %llu frames, show at %llu:%02llu.%03llu, %.1f frames/s%s",
                 static_cast<unsigned long long>(written_), static_cast<unsigned long long>(ms / 60000),
                 static_cast<unsigned long long>(ms / 1000 % 60), static_cast<unsigned long long>(ms % 1000),
                 elapsed > 0 ? written_ / elapsed : 0.0, last ? "\n" : "");
    std::fflush(stderr);
}

bool cFrameCapture::Finish(std::string* error) {
    ReportProgress(true);
    if (!pipe_) return true;
    int status = pclose(pipe_);
    pipe_ = nullptr;
    if (status != 0) {
        *error = "ffmpeg failed to write " + path_;
        return false;
    }
    return true;
}
