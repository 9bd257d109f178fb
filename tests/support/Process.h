// End-to-end test helpers: run a program and capture what it writes, and
// temporary directories that clean up after themselves.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace ostrane::test {

struct ProcessOptions {
    // Working directory of the child; empty keeps the current one.
    std::string WorkingDirectory;
    // Variables set (or replaced) in the child's environment.
    std::vector<std::pair<std::string, std::string>> Environment;
    // Variables removed from the child's environment.
    std::vector<std::string> Unset;
    // Bytes fed to the child's standard input (closed afterwards).
    std::string Stdin;
    // The child is killed when it runs longer than this.
    int TimeoutSeconds = 60;
};

struct ProcessResult {
    int ExitCode = -1; // exit status, -1 when the child did not exit normally
    int Signal = 0;    // the signal that ended the child, 0 when it exited
    bool TimedOut = false;
    std::string Stdout;
    std::string Stderr;
};

// Runs argv[0] (searched in PATH when it has no "/") with the arguments
// argv[1..].  Throws std::runtime_error when the child cannot be started.
ProcessResult RunProcess(const std::vector<std::string>& argv, const ProcessOptions& options = {});

// A fresh directory under $TMPDIR (or /tmp), removed with its contents when
// the object goes away.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& Path() const { return path_; }
    // Path of an entry inside the directory.
    std::string File(std::string_view name) const;
    // Writes bytes to an entry inside the directory and returns its path.
    std::string Write(std::string_view name, std::string_view bytes) const;

private:
    std::string path_;
};

// Whole-file helpers; both throw std::runtime_error on failure.
void WriteFileBytes(const std::string& path, std::string_view bytes);
std::string ReadFileBytes(const std::string& path);

} // namespace ostrane::test
