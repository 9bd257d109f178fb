#include "converter/CmdLineHelper.h"

#include <unistd.h>
#include <vector>

namespace ostrane {

namespace {

constexpr char Quote = '"';
constexpr char Backslash = '\\';

bool IsArgumentBlank(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte >= 0x01 && byte <= 0x20;
}

// Collects the bytes of one argument, or only counts them.
class ArgumentSink {
public:
    explicit ArgumentSink(std::string* buffer) : buffer_(buffer) {
        if (buffer_ != nullptr) buffer_->clear();
    }
    void Put(char c, std::size_t n = 1) {
        if (buffer_ != nullptr) buffer_->append(n, c);
        produced_ += n;
    }
    std::size_t Produced() const { return produced_; }

private:
    std::string* buffer_;
    std::size_t produced_ = 0;
};

// A run of backslashes: literal unless a quote follows, where pairs halve
// and an odd one out escapes the quote.  Returns the position after what
// was consumed; an unescaped quote is left for the caller to toggle on.
const char* ScanBackslashes(const char* p, ArgumentSink& sink) {
    std::size_t n = 0;
    while (p[n] == Backslash) ++n;
    p += n;
    if (*p != Quote) {
        sink.Put(Backslash, n);
        return p;
    }
    sink.Put(Backslash, n / 2);
    if (n % 2 == 0) return p;
    sink.Put(Quote);
    return p + 1;
}

std::string& RecordedProgramName() {
    static std::string name;
    return name;
}

} // namespace

bool ScanArgument(const char*& cursor, std::string* buffer, std::size_t* length) {
    if (length != nullptr) *length = 0;
    if (cursor == nullptr) return false;
    const char* p = cursor;
    while (IsArgumentBlank(*p)) ++p;
    cursor = p;
    if (*p == '\0') return false;

    ArgumentSink sink(buffer);
    bool quoted = false;
    while (*p != '\0') {
        if (*p == Backslash) {
            p = ScanBackslashes(p, sink);
        } else if (*p == Quote) {
            quoted = !quoted;
            ++p;
        } else if (!quoted && IsArgumentBlank(*p)) {
            break; // left for the next call to skip
        } else {
            sink.Put(*p);
            ++p;
        }
    }
    cursor = p;
    if (length != nullptr) *length = sink.Produced();
    return true;
}

std::int32_t ArgumentCount(const std::string& commandLine) {
    const char* cursor = commandLine.c_str();
    if (!ScanArgument(cursor, nullptr, nullptr)) return 0;
    std::int32_t count = 0;
    while (ScanArgument(cursor, nullptr, nullptr)) ++count;
    return count;
}

std::string ArgumentAt(const std::string& commandLine, std::int32_t n) {
    if (n <= 0) return ProgramPath();
    const char* cursor = commandLine.c_str();
    for (std::int32_t i = 0; i < n; ++i)
        if (!ScanArgument(cursor, nullptr, nullptr)) return {};
    std::string argument;
    if (!ScanArgument(cursor, &argument, nullptr)) return {};
    return argument;
}

std::string ProgramPath() {
    std::vector<char> path(256);
    for (;;) {
        const ssize_t n = readlink("/proc/self/exe", path.data(), path.size());
        if (n < 0) return RecordedProgramName();
        if (std::size_t(n) < path.size()) return std::string(path.data(), std::size_t(n));
        path.resize(path.size() * 2); // the link may have been cut: read it again
    }
}

void SetProgramName(const char* argv0) {
    RecordedProgramName() = argv0 != nullptr ? argv0 : "";
}

} // namespace ostrane
