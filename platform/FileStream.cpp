// Buffered POSIX file streams with 64-bit positions.
//
// Read streams: buffer_ holds bufferFill_ bytes read from file position
// bufferStart_; the cursor is bufferPos_.  A seek inside that window only moves
// the cursor; any other seek empties the buffer, and the next read seeks the
// descriptor first.  Write streams: buffer_ holds bufferFill_ pending bytes
// that belong at bufferStart_; the descriptor's offset is always bufferStart_.
#include "platform/FileStream.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/Exceptions.h"

namespace ostrane {

namespace {

constexpr std::size_t kBufferSize = 64 * 1024;

[[noreturn]] void ThrowReadError() {
    throw EReadError(std::string(msg::StreamReadError));
}
// brokenPipe: the write failed because nobody reads the pipe any more.
[[noreturn]] void ThrowWriteError(bool brokenPipe = false) {
    if (brokenPipe) throw EBrokenPipe(std::string(msg::StreamWriteError));
    throw EWriteError(std::string(msg::StreamWriteError));
}

} // namespace

FileStream::FileStream(const std::string& path, Mode mode) : path_(path), mode_(mode) {
    if (mode == Mode::OpenRead) {
        fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        struct stat st {};
        if (fd_ >= 0 && (::fstat(fd_, &st) != 0 || S_ISDIR(st.st_mode))) {
            ::close(fd_);
            fd_ = -1;
        }
        if (fd_ < 0) throw EFOpenError(FormatMessage(msg::CannotOpenFile, path));
    } else {
        fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        if (fd_ < 0) throw EFCreateError(FormatMessage(msg::CannotCreateFile, path));
    }
    buffer_.resize(kBufferSize);
}

FileStream::FileStream(int descriptor, const std::string& name)
    : path_(name), fd_(descriptor), ownsDescriptor_(false), mode_(Mode::Create) {
    buffer_.resize(kBufferSize);
}

FileStream::~FileStream() {
    if (fd_ < 0) return;
    if (mode_ == Mode::Create) {
        try {
            FlushWrites();
        } catch (...) {
            // Callers that care call Flush() first.
        }
    }
    if (ownsDescriptor_) ::close(fd_);
}

std::size_t FileStream::ReadThroughFile(void* buffer, std::size_t count) {
    if (mode_ != Mode::OpenRead) ThrowReadError();
    auto* out = static_cast<unsigned char*>(buffer);
    std::size_t done = 0;
    while (done < count) {
        std::size_t available = bufferFill_ - bufferPos_;
        if (available > 0) {
            std::size_t n = available < count - done ? available : count - done;
            std::memcpy(out + done, buffer_.data() + bufferPos_, n);
            bufferPos_ += n;
            done += n;
            continue;
        }
        // The buffer is used up: refill it from the current position, or read
        // a large remainder straight into the caller's memory.
        const std::int64_t position = bufferStart_ + static_cast<std::int64_t>(bufferPos_);
        if (position != filePos_) {
            if (::lseek(fd_, position, SEEK_SET) < 0) ThrowReadError();
            filePos_ = position;
        }
        const bool direct = count - done >= buffer_.size();
        unsigned char* target = direct ? out + done : buffer_.data();
        const std::size_t want = direct ? count - done : buffer_.size();
        ssize_t n;
        do {
            n = ::read(fd_, target, want);
        } while (n < 0 && errno == EINTR);
        if (n < 0) ThrowReadError();
        filePos_ = position + n;
        if (direct) {
            bufferStart_ = position + n;
            bufferFill_ = 0;
            bufferPos_ = 0;
            done += static_cast<std::size_t>(n);
        } else {
            bufferStart_ = position;
            bufferFill_ = static_cast<std::size_t>(n);
            bufferPos_ = 0;
        }
        if (n == 0) break; // end of file
    }
    return done;
}

void FileStream::ReadExact(void* buffer, std::size_t count) {
    if (Read(buffer, count) != count) ThrowReadError();
}

void FileStream::Write(const void* data, std::size_t count) {
    if (mode_ != Mode::Create) ThrowWriteError();
    const auto* in = static_cast<const unsigned char*>(data);
    if (bufferFill_ + count <= buffer_.size()) {
        std::memcpy(buffer_.data() + bufferFill_, in, count);
        bufferFill_ += count;
        return;
    }
    FlushWrites();
    if (count >= buffer_.size()) {
        bufferFill_ = 0;
        // Large blocks bypass the buffer.
        std::size_t done = 0;
        while (done < count) {
            ssize_t n = ::write(fd_, in + done, count - done);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) ThrowWriteError(n < 0 && errno == EPIPE);
            done += static_cast<std::size_t>(n);
            bufferStart_ += n;
        }
        return;
    }
    std::memcpy(buffer_.data(), in, count);
    bufferFill_ = count;
}

void FileStream::Flush() {
    if (mode_ == Mode::Create) FlushWrites();
}

void FileStream::FlushWrites() {
    std::size_t done = 0;
    while (done < bufferFill_) {
        ssize_t n = ::write(fd_, buffer_.data() + done, bufferFill_ - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            const bool brokenPipe = n < 0 && errno == EPIPE;
            // The pending bytes are lost; a later flush does not retry them.
            bufferStart_ += static_cast<std::int64_t>(done);
            bufferFill_ = 0;
            ThrowWriteError(brokenPipe);
        }
        done += static_cast<std::size_t>(n);
    }
    bufferStart_ += static_cast<std::int64_t>(done);
    bufferFill_ = 0;
}

std::int64_t FileStream::Seek(std::int64_t offset, int whence) {
    std::int64_t target;
    switch (whence) {
    case SEEK_SET: target = offset; break;
    case SEEK_CUR: target = Position() + offset; break;
    case SEEK_END: target = Size() + offset; break;
    default: return -1;
    }
    if (target < 0) return -1;
    if (mode_ == Mode::OpenRead) {
        if (target >= bufferStart_ &&
            target <= bufferStart_ + static_cast<std::int64_t>(bufferFill_)) {
            bufferPos_ = static_cast<std::size_t>(target - bufferStart_);
        } else {
            bufferStart_ = target;
            bufferFill_ = 0;
            bufferPos_ = 0;
        }
        return target;
    }
    FlushWrites();
    if (::lseek(fd_, target, SEEK_SET) < 0) return -1;
    bufferStart_ = target;
    return target;
}

std::int64_t FileStream::QuerySize() {
    if (mode_ == Mode::OpenRead) {
        if (size_ < 0) {
            struct stat st {};
            if (::fstat(fd_, &st) != 0) ThrowReadError();
            size_ = static_cast<std::int64_t>(st.st_size);
        }
        return size_;
    }
    struct stat st {};
    if (::fstat(fd_, &st) != 0) ThrowWriteError();
    std::int64_t end = Position();
    return static_cast<std::int64_t>(st.st_size) > end ? static_cast<std::int64_t>(st.st_size)
                                                       : end;
}

bool FileExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

} // namespace ostrane
