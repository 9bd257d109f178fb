// Runs a command several times and reports its median wall time and the
// largest peak resident set size of its runs.
//
//   bench_time <runs> <command> [arguments...]
//
// Prints one line: "<median wall seconds> <peak RSS KiB> <exit status>
// <median CPU seconds>" (CPU: user and system time of the command).  Standard
// output and standard error of the command are discarded.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

struct Run {
    double Seconds = 0;
    double CpuSeconds = 0;
    long PeakKiB = 0;
    int Status = 0;
};

Run RunOnce(char** command) {
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid < 0) {
        std::perror("fork");
        std::exit(2);
    }
    if (pid == 0) {
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, 1);
        dup2(null, 2);
        execv(command[0], command);
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) < 0) {
        std::perror("wait4");
        std::exit(2);
    }
    Run run;
    run.Seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    run.PeakKiB = usage.ru_maxrss;
    run.CpuSeconds = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                     double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
    run.Status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return run;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_time <runs> <command> [arguments...]\n");
        return 2;
    }
    const int runs = std::max(1, std::atoi(argv[1]));
    std::vector<double> seconds;
    std::vector<double> cpu;
    long peak = 0;
    int status = 0;
    for (int i = 0; i < runs; ++i) {
        const Run run = RunOnce(argv + 2);
        seconds.push_back(run.Seconds);
        cpu.push_back(run.CpuSeconds);
        peak = std::max(peak, run.PeakKiB);
        if (run.Status != 0) status = run.Status;
    }
    std::sort(seconds.begin(), seconds.end());
    std::sort(cpu.begin(), cpu.end());
    std::printf("%.4f %ld %d %.4f\n", seconds[seconds.size() / 2], peak, status,
                cpu[cpu.size() / 2]);
    return 0;
}
