#include <algorithm>
#include <cstdio>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "platform/Exceptions.h"
#include "platform/FileStream.h"

namespace ostrane {
namespace {

class FileStreamTest : public ::testing::Test {
protected:
    void SetUp() override {
        char dirTemplate[] = "/tmp/ostrane-fs-XXXXXX";
        ASSERT_NE(mkdtemp(dirTemplate), nullptr);
        dir_ = dirTemplate;
    }
    void TearDown() override { std::system(("rm -rf " + dir_).c_str()); }
    std::string Path(const char* name) const { return dir_ + "/" + name; }

    std::string dir_;
};

TEST_F(FileStreamTest, WriteThenRead) {
    const std::string path = Path("a.bin");
    std::string data;
    for (int i = 0; i < 200000; ++i) data.push_back(static_cast<char>(i * 7));
    {
        FileStream out(path, FileStream::Mode::Create);
        out.Write(data.data(), 10);
        out.Write(data.data() + 10, 100000); // larger than the buffer
        out.Write(data.data() + 100010, data.size() - 100010);
        EXPECT_EQ(out.Position(), static_cast<std::int64_t>(data.size()));
        out.Flush();
        EXPECT_EQ(out.Size(), static_cast<std::int64_t>(data.size()));
    }
    FileStream in(path, FileStream::Mode::OpenRead);
    EXPECT_EQ(in.Size(), static_cast<std::int64_t>(data.size()));
    std::string back(data.size(), '\0');
    in.ReadExact(back.data(), 5);
    in.ReadExact(back.data() + 5, 150000);
    EXPECT_EQ(in.Read(back.data() + 150005, 1000000), data.size() - 150005);
    EXPECT_EQ(back, data);
    char c;
    EXPECT_EQ(in.Read(&c, 1), 0u);
    EXPECT_THROW(in.ReadExact(&c, 1), EReadError);
}

TEST_F(FileStreamTest, SeekInsideBuffer) {
    const std::string path = Path("b.bin");
    {
        FileStream out(path, FileStream::Mode::Create);
        for (int i = 0; i < 100000; ++i) {
            unsigned char b = static_cast<unsigned char>(i % 251);
            out.Write(&b, 1);
        }
    }
    FileStream in(path, FileStream::Mode::OpenRead);
    unsigned char b = 0;
    in.ReadExact(&b, 1);
    EXPECT_EQ(in.Seek(1000, SEEK_SET), 1000);
    in.ReadExact(&b, 1);
    EXPECT_EQ(b, 1000 % 251);
    EXPECT_EQ(in.Seek(-501, SEEK_CUR), 500);
    in.ReadExact(&b, 1);
    EXPECT_EQ(b, 500 % 251);
    EXPECT_EQ(in.Seek(-1, SEEK_END), 99999);
    in.ReadExact(&b, 1);
    EXPECT_EQ(b, 99999 % 251);
    EXPECT_EQ(in.Seek(70000, SEEK_SET), 70000); // outside the window: reloads
    in.ReadExact(&b, 1);
    EXPECT_EQ(b, 70000 % 251);
    EXPECT_EQ(in.Position(), 70001);
    EXPECT_EQ(in.Seek(-1, SEEK_SET), -1);
    EXPECT_EQ(in.Position(), 70001);
    EXPECT_EQ(in.Seek(200000, SEEK_SET), 200000); // past the end: reads nothing
    EXPECT_EQ(in.Read(&b, 1), 0u);
}

// Records read one after the other with SeekTo, as the record loop does,
// across buffer refills, the last one cut short; then jumps back and ahead.
TEST_F(FileStreamTest, RecordLoopWithSeekTo) {
    const std::string path = Path("records.bin");
    std::string data;
    for (int i = 0; i < 300001; ++i) data.push_back(static_cast<char>(i * 13 + i / 97));
    {
        FileStream out(path, FileStream::Mode::Create);
        out.Write(data.data(), data.size());
    }
    FileStream in(path, FileStream::Mode::OpenRead);
    const std::size_t header = 263;
    for (std::size_t length : {1u, 82u, 4000u, 65536u, 70001u}) {
        std::string record(length, '\0');
        for (std::size_t at = header; at < data.size(); at += length) {
            ASSERT_EQ(in.SeekTo(static_cast<std::int64_t>(at)), static_cast<std::int64_t>(at));
            const std::size_t got = in.Read(record.data(), length);
            const std::size_t expected = std::min(length, data.size() - at);
            ASSERT_EQ(got, expected) << length << " " << at;
            ASSERT_EQ(record.compare(0, got, data, at, got), 0) << length << " " << at;
            ASSERT_EQ(in.Position(), static_cast<std::int64_t>(at + got));
        }
    }
    for (std::size_t at : {5u, 299999u, 70000u, 69999u, 0u, 300001u}) {
        char b = 0;
        ASSERT_EQ(in.SeekTo(static_cast<std::int64_t>(at)), static_cast<std::int64_t>(at));
        const std::size_t got = in.Read(&b, 1);
        EXPECT_EQ(got, at < data.size() ? 1u : 0u) << at;
        if (got == 1) {
            EXPECT_EQ(b, data[at]) << at;
        }
    }
    EXPECT_EQ(in.SeekTo(-1), -1);
}

TEST_F(FileStreamTest, SeekWhileWriting) {
    const std::string path = Path("c.bin");
    {
        FileStream out(path, FileStream::Mode::Create);
        out.Write("hello world", 11);
        EXPECT_EQ(out.Seek(0, SEEK_SET), 0);
        out.Write("J", 1);
        EXPECT_EQ(out.Seek(0, SEEK_END), 11);
        out.Write("!", 1);
    }
    FileStream in(path, FileStream::Mode::OpenRead);
    char buf[16] = {};
    EXPECT_EQ(in.Read(buf, sizeof buf), 12u);
    EXPECT_EQ(std::string(buf), "Jello world!");
}

TEST_F(FileStreamTest, OpenErrors) {
    try {
        FileStream in(Path("missing.dbf"), FileStream::Mode::OpenRead);
        ADD_FAILURE();
    } catch (const EFOpenError& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot open file " + Path("missing.dbf"));
    }
    EXPECT_THROW(FileStream(dir_, FileStream::Mode::OpenRead), EFOpenError);
    try {
        FileStream out(Path("no/such/dir.txt"), FileStream::Mode::Create);
        ADD_FAILURE();
    } catch (const EFCreateError& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot create file " + Path("no/such/dir.txt"));
    }
}

TEST_F(FileStreamTest, CreateTruncates) {
    const std::string path = Path("d.txt");
    {
        FileStream out(path, FileStream::Mode::Create);
        out.Write("long content", 12);
    }
    {
        FileStream out(path, FileStream::Mode::Create);
        out.Write("ab", 2);
    }
    FileStream in(path, FileStream::Mode::OpenRead);
    EXPECT_EQ(in.Size(), 2);
}

TEST_F(FileStreamTest, WriteErrorIsReported) {
    if (access("/dev/full", W_OK) != 0) GTEST_SKIP() << "no /dev/full";
    FileStream out("/dev/full", FileStream::Mode::Create);
    out.Write("abc", 3); // buffered
    try {
        out.Flush();
        ADD_FAILURE() << "no error";
    } catch (const EWriteError& e) {
        EXPECT_STREQ(e.what(), "Stream write error");
    }
    std::vector<char> big(200000, 'x');
    EXPECT_THROW(out.Write(big.data(), big.size()), EWriteError);
    out.Write("abc", 3); // the destructor's flush fails silently
}

TEST_F(FileStreamTest, WrongDirection) {
    const std::string path = Path("e.txt");
    FileStream out(path, FileStream::Mode::Create);
    char c;
    EXPECT_THROW(out.Read(&c, 1), EReadError);
    FileStream in(path, FileStream::Mode::OpenRead);
    EXPECT_THROW(in.Write("x", 1), EWriteError);
}

TEST_F(FileStreamTest, FileExists) {
    const std::string path = Path("f.txt");
    EXPECT_FALSE(FileExists(path));
    { FileStream out(path, FileStream::Mode::Create); }
    EXPECT_TRUE(FileExists(path));
    EXPECT_FALSE(FileExists(dir_));
    EXPECT_FALSE(FileExists(""));
}

} // namespace
} // namespace ostrane
