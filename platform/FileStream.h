// Buffered file streams with 64-bit positions.  A seek inside the current
// read buffer costs nothing; writes go through a large buffer.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace ostrane {

class FileStream {
public:
    enum class Mode { OpenRead, Create };

    // OpenRead: shared reading, EFOpenError "Cannot open file %s" on failure.
    // Create: truncates or creates, EFCreateError "Cannot create file %s".
    FileStream(const std::string& path, Mode mode);
    ~FileStream(); // flushes; errors on this last flush are swallowed
    FileStream(const FileStream&) = delete;
    FileStream& operator=(const FileStream&) = delete;

    // Reads up to count bytes; returns how many were read (short at the end).
    std::size_t Read(void* buffer, std::size_t count);
    // Reads exactly count bytes or throws EReadError "Stream read error".
    void ReadExact(void* buffer, std::size_t count);
    // Writes everything or throws EWriteError "Stream write error".
    void Write(const void* data, std::size_t count);
    void Flush();

    std::int64_t Seek(std::int64_t offset, int whence); // SEEK_SET / SEEK_CUR / SEEK_END
    std::int64_t Position() const;
    std::int64_t Size();

    int Descriptor() const { return fd_; }
    const std::string& Path() const { return path_; }

private:
    void FlushWrites();

    std::string path_;
    int fd_ = -1;
    Mode mode_;
    std::vector<unsigned char> buffer_;
    std::int64_t bufferStart_ = 0; // file position of buffer_[0]
    std::size_t bufferFill_ = 0;   // valid bytes (read) / pending bytes (write)
    std::size_t bufferPos_ = 0;    // read cursor inside the buffer
    std::int64_t size_ = -1;       // cached size for read streams
    std::int64_t filePos_ = 0;     // the descriptor's offset (read streams)
};

// Exists and is not a directory.
bool FileExists(const std::string& path);

} // namespace ostrane
