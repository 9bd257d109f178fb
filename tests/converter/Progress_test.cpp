#include "converter/Progress.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

namespace ostrane {
namespace {

// A pipe whose read end collects what the meter draws.
class Pipe {
public:
    Pipe() {
        if (pipe(fds_) != 0) ADD_FAILURE() << "pipe";
    }
    ~Pipe() {
        close(fds_[0]);
        if (fds_[1] >= 0) close(fds_[1]);
    }
    int WriteEnd() const { return fds_[1]; }
    std::string Drain() {
        close(fds_[1]);
        fds_[1] = -1;
        std::string bytes;
        char buffer[256];
        for (ssize_t n; (n = read(fds_[0], buffer, sizeof buffer)) > 0;) bytes.append(buffer, n);
        return bytes;
    }

private:
    int fds_[2] = {-1, -1};
};

TEST(Progress, Text) {
    EXPECT_EQ(ProgressMeter::Text(250000, 1000000, 0.5),
              "250000 of 1000000 records, 25%, 500000 records/s");
    EXPECT_EQ(ProgressMeter::Text(0, 0, 0), "0 of 0 records, 100%, 0 records/s");
}

TEST(Progress, DrawsAtMostTenTimesASecondAndErasesAtTheEnd) {
    Pipe pipe;
    {
        ProgressMeter meter(pipe.WriteEnd(), 0.0);
        meter.Show(10, 100, 0.0625); // too early: nothing for short runs
        meter.Show(50, 100, 0.25);
        meter.Show(60, 100, 0.3125); // within a tenth of a second of the last
        meter.Show(100, 1000, 0.5);
        meter.Show(9, 1000, 0.75); // shorter: blanks cover the rest
    }
    EXPECT_EQ(pipe.Drain(), "\r50 of 100 records, 50%, 200 records/s"
                            "\r100 of 1000 records, 10%, 200 records/s"
                            "\r9 of 1000 records, 0%, 12 records/s    "
                            "\r                                   \r");
}

TEST(Progress, NothingShownNothingErased) {
    Pipe pipe;
    { ProgressMeter meter(pipe.WriteEnd(), 0.0); }
    EXPECT_EQ(pipe.Drain(), "");
}

} // namespace
} // namespace ostrane
