#include "converter/Progress.h"

#include <time.h>
#include <unistd.h>

#include "platform/NumberFormat.h"

namespace ostrane {

bool ProgressMeter::Wanted() {
    return isatty(STDERR_FILENO) == 1;
}

ProgressMeter::ProgressMeter(int fd) : ProgressMeter(fd, NowSeconds()) {}

ProgressMeter::ProgressMeter(int fd, double startSeconds)
    : fd_(fd), start_(startSeconds), lastShown_(startSeconds) {}

ProgressMeter::~ProgressMeter() {
    Erase();
}

double ProgressMeter::NowSeconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

std::string ProgressMeter::Text(std::int64_t done, std::int64_t total, double elapsedSeconds) {
    std::string text;
    AppendInteger(text, done);
    text += " of ";
    AppendInteger(text, total);
    text += " records, ";
    AppendInteger(text, total > 0 ? done * 100 / total : 100);
    text += "%, ";
    AppendInteger(text, elapsedSeconds > 0 ? std::int64_t(double(done) / elapsedSeconds) : 0);
    text += " records/s";
    return text;
}

void ProgressMeter::Show(std::int32_t position, std::int32_t total, double nowSeconds) {
    if (nowSeconds - lastShown_ < Interval) return;
    lastShown_ = nowSeconds;
    const std::string text = Text(position, total, nowSeconds - start_);
    std::string line = "\r" + text;
    // Blanks over what a longer earlier line left behind.
    if (shownLength_ > text.size()) line.append(shownLength_ - text.size(), ' ');
    shownLength_ = text.size();
    Write(line);
}

void ProgressMeter::Erase() {
    if (shownLength_ == 0) return;
    Write("\r" + std::string(shownLength_, ' ') + "\r");
    shownLength_ = 0;
}

void ProgressMeter::Write(const std::string& bytes) const {
    // The indicator is a courtesy: a failed write to the terminal is ignored.
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
        if (n <= 0) return;
        done += std::size_t(n);
    }
}

} // namespace ostrane
