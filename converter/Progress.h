// A one-line progress indicator on standard error while a long table is
// converted: records done, percent and rate, redrawn at most ten times a
// second and erased at the end.
#pragma once

#include <cstdint>
#include <string>

namespace ostrane {

class ProgressMeter {
public:
    // True when standard error is a terminal, the only place a meter shows.
    static bool Wanted();

    // Draws on the given descriptor; startSeconds is the monotonic clock at
    // the start of the run.
    explicit ProgressMeter(int fd);
    ProgressMeter(int fd, double startSeconds);
    ~ProgressMeter(); // erases the line
    ProgressMeter(const ProgressMeter&) = delete;
    ProgressMeter& operator=(const ProgressMeter&) = delete;

    // Record `position` of `total` is about to be read.  Cheap: the clock is
    // read only every few hundred calls.
    void Update(std::int32_t position, std::int32_t total) {
        if (++calls_ % CallsPerClockRead == 0) Show(position, total, NowSeconds());
    }
    // Redraws when the last drawing (or the start) is long enough ago.
    void Show(std::int32_t position, std::int32_t total, double nowSeconds);
    void Erase();

    static double NowSeconds();
    // The text of the line, without the leading carriage return.
    static std::string Text(std::int64_t done, std::int64_t total, double elapsedSeconds);

private:
    static constexpr std::uint32_t CallsPerClockRead = 256;
    static constexpr double Interval = 0.1; // seconds between drawings

    void Write(const std::string& bytes) const;

    int fd_;
    double start_;
    double lastShown_;
    std::uint32_t calls_ = 0;
    std::size_t shownLength_ = 0; // length of the line on screen, 0 for none
};

} // namespace ostrane
