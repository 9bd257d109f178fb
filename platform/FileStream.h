// Buffered file streams with 64-bit positions.  A seek inside the current
// read buffer costs nothing; writes go through a large buffer.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace ostrane {

class FileStream {
public:
    enum class Mode { OpenRead, Create };

    // OpenRead: shared reading, EFOpenError "Cannot open file %s" on failure.
    // Create: truncates or creates, EFCreateError "Cannot create file %s".
    FileStream(const std::string& path, Mode mode);
    // Writes to a descriptor that is already open (standard output) as a
    // Create stream does; the descriptor is flushed but not closed.
    FileStream(int descriptor, const std::string& name);
    ~FileStream(); // flushes; errors on this last flush are swallowed
    FileStream(const FileStream&) = delete;
    FileStream& operator=(const FileStream&) = delete;

    // Reads up to count bytes; returns how many were read (short at the end).
    // Bytes already in the read buffer are copied inline.
    std::size_t Read(void* buffer, std::size_t count) {
        if (mode_ == Mode::OpenRead && bufferFill_ - bufferPos_ >= count) {
            std::memcpy(buffer, buffer_.data() + bufferPos_, count);
            bufferPos_ += count;
            return count;
        }
        return ReadThroughFile(buffer, count);
    }
    // Reads exactly count bytes or throws EReadError "Stream read error".
    void ReadExact(void* buffer, std::size_t count);
    // Writes everything or throws EWriteError "Stream write error"
    // (EBrokenPipe when the reading end of a pipe is closed).
    void Write(const void* data, std::size_t count);
    void Flush();

    std::int64_t Seek(std::int64_t offset, int whence); // SEEK_SET / SEEK_CUR / SEEK_END
    // Seek(position, SEEK_SET) that only moves the cursor when the position
    // lies in the read buffer, as it does for the next record of a loop.
    std::int64_t SeekTo(std::int64_t position) {
        if (mode_ == Mode::OpenRead && position >= bufferStart_ &&
            position <= bufferStart_ + static_cast<std::int64_t>(bufferFill_)) {
            bufferPos_ = static_cast<std::size_t>(position - bufferStart_);
            return position;
        }
        return Seek(position, SEEK_SET);
    }
    std::int64_t Position() const {
        return bufferStart_ +
               static_cast<std::int64_t>(mode_ == Mode::OpenRead ? bufferPos_ : bufferFill_);
    }
    // Read streams ask the file once and keep the answer.
    std::int64_t Size() { return mode_ == Mode::OpenRead && size_ >= 0 ? size_ : QuerySize(); }

    int Descriptor() const { return fd_; }
    const std::string& Path() const { return path_; }

private:
    std::size_t ReadThroughFile(void* buffer, std::size_t count);
    void FlushWrites();
    std::int64_t QuerySize();

    std::string path_;
    int fd_ = -1;
    bool ownsDescriptor_ = true;
    Mode mode_;
    std::vector<unsigned char> buffer_;
    std::int64_t bufferStart_ = 0; // file position of buffer_[0]
    std::size_t bufferFill_ = 0;   // valid bytes (read) / pending bytes (write)
    std::size_t bufferPos_ = 0;    // read cursor inside the buffer
    std::int64_t size_ = -1;       // cached size for read streams
    std::int64_t filePos_ = 0;     // the descriptor's offset (read streams)
};

// Exists and is a regular file (links followed).  Directories do not count,
// nor do pipes, sockets and devices: opening a pipe to read waits for a
// writer, so a table or memo file that is one would hang the run.
bool FileExists(const std::string& path);

} // namespace ostrane
