#include "support/Process.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <poll.h>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace ostrane::test {

namespace {

// A pipe whose ends close themselves.
struct Pipe {
    int Read = -1;
    int Write = -1;
    Pipe() {
        int fds[2];
        if (pipe2(fds, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
        Read = fds[0];
        Write = fds[1];
    }
    ~Pipe() {
        CloseRead();
        CloseWrite();
    }
    Pipe(const Pipe&) = delete;
    Pipe& operator=(const Pipe&) = delete;
    void CloseRead() {
        if (Read >= 0) close(Read);
        Read = -1;
    }
    void CloseWrite() {
        if (Write >= 0) close(Write);
        Write = -1;
    }
};

std::vector<std::string> ChildEnvironment(const ProcessOptions& options) {
    auto overridden = [&](std::string_view entry) {
        const std::string_view key = entry.substr(0, entry.find('='));
        for (const auto& name : options.Unset)
            if (name == key) return true;
        for (const auto& [name, value] : options.Environment)
            if (name == key) return true;
        return false;
    };
    std::vector<std::string> env;
    for (char** e = environ; e != nullptr && *e != nullptr; ++e)
        if (!overridden(*e)) env.emplace_back(*e);
    for (const auto& [name, value] : options.Environment) env.push_back(name + "=" + value);
    return env;
}

std::vector<char*> PointerArray(std::vector<std::string>& texts) {
    std::vector<char*> pointers;
    for (auto& t : texts) pointers.push_back(t.data());
    pointers.push_back(nullptr);
    return pointers;
}

// Runs in the forked child: wire the pipes, change directory, exec.  Only
// async-signal-safe calls; a failure reports errno through the error pipe.
[[noreturn]] void ExecChild(Pipe& in, Pipe& out, Pipe& err, Pipe& report, const std::string& dir,
                            char* const* argv, char* const* envp) {
    if (dup2(in.Read, STDIN_FILENO) < 0 || dup2(out.Write, STDOUT_FILENO) < 0 ||
        dup2(err.Write, STDERR_FILENO) < 0 || (!dir.empty() && chdir(dir.c_str()) != 0)) {
        const int error = errno;
        (void)!write(report.Write, &error, sizeof error);
        _exit(127);
    }
    execvpe(argv[0], argv, envp);
    const int error = errno;
    (void)!write(report.Write, &error, sizeof error);
    _exit(127);
}

// Moves data between the parent and the child's pipes until both output
// pipes are closed or the deadline passes.  Returns false on timeout.
bool Pump(Pipe& in, Pipe& out, Pipe& err, std::string_view input, ProcessResult& result,
          std::chrono::steady_clock::time_point deadline) {
    std::size_t written = 0;
    if (input.empty()) in.CloseWrite();
    std::array<char, 65536> chunk;
    while (out.Read >= 0 || err.Read >= 0) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return false;
        std::array<pollfd, 3> fds{pollfd{out.Read, POLLIN, 0}, pollfd{err.Read, POLLIN, 0},
                                  pollfd{in.Write, POLLOUT, 0}};
        if (poll(fds.data(), fds.size(), int(std::min<long long>(left.count(), 1000))) < 0) {
            if (errno == EINTR) continue;
            throw std::runtime_error("poll failed");
        }
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || fds[i].revents == 0) continue;
            Pipe& p = i == 0 ? out : err;
            const ssize_t n = read(p.Read, chunk.data(), chunk.size());
            if (n > 0)
                (i == 0 ? result.Stdout : result.Stderr).append(chunk.data(), n);
            else if (n == 0 || errno != EINTR)
                p.CloseRead();
        }
        if (fds[2].fd >= 0 && fds[2].revents != 0) {
            const ssize_t n = write(in.Write, input.data() + written, input.size() - written);
            if (n > 0) written += std::size_t(n);
            if (n < 0 && errno != EINTR) in.CloseWrite();
            if (written == input.size()) in.CloseWrite();
        }
    }
    return true;
}

} // namespace

ProcessResult RunProcess(const std::vector<std::string>& argv, const ProcessOptions& options) {
    if (argv.empty()) throw std::invalid_argument("RunProcess needs a program");
    // A child that stops reading its input must not kill the test program.
    std::signal(SIGPIPE, SIG_IGN);

    std::vector<std::string> args = argv;
    std::vector<std::string> env = ChildEnvironment(options);
    std::vector<char*> argp = PointerArray(args);
    std::vector<char*> envp = PointerArray(env);

    Pipe in, out, err, report;
    const pid_t pid = fork();
    if (pid < 0) throw std::runtime_error("fork failed");
    if (pid == 0)
        ExecChild(in, out, err, report, options.WorkingDirectory, argp.data(), envp.data());

    in.CloseRead();
    out.CloseWrite();
    err.CloseWrite();
    report.CloseWrite();

    ProcessResult result;
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::seconds(options.TimeoutSeconds);
    if (!Pump(in, out, err, options.Stdin, result, deadline)) {
        result.TimedOut = true;
        kill(pid, SIGKILL);
    }
    in.CloseWrite();

    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFEXITED(status)) result.ExitCode = WEXITSTATUS(status);
    if (WIFSIGNALED(status)) result.Signal = WTERMSIG(status);

    int childError = 0;
    if (read(report.Read, &childError, sizeof childError) == ssize_t(sizeof childError))
        throw std::runtime_error("cannot start " + argv[0] + ": " + std::strerror(childError));
    return result;
}

TempDir::TempDir() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern =
        std::string(base != nullptr && *base != '\0' ? base : "/tmp") + "/ostrane-test-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("cannot create a temporary directory");
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::string TempDir::File(std::string_view name) const {
    return path_ + "/" + std::string(name);
}

std::string TempDir::Write(std::string_view name, std::string_view bytes) const {
    std::string path = File(name);
    WriteFileBytes(path, bytes);
    return path;
}

void WriteFileBytes(const std::string& path, std::string_view bytes) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(bytes.data(), std::streamsize(bytes.size()));
    if (!file) throw std::runtime_error("cannot write " + path);
}

std::string ReadFileBytes(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) throw std::runtime_error("cannot read " + path);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

} // namespace ostrane::test
