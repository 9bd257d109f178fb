// Test tables made from a short description, so that every test shows the
// bytes it depends on.
//
//   TempDir dir;
//   std::string dbf = TableBuilder(0x30)            // signature byte
//                         .Field("NAME", 'C', 10)
//                         .Field("ID", 'I', 4)
//                         .Row({"Alice", Le32(1)})  // texts padded with blanks
//                         .DeletedRow({"Bob", Le32(2)})
//                         .Write(dir.Path(), "people.dbf");
//   MemoBuilder(MemoBuilder::Layout::FoxPro, 64)
//       .LengthBlock(8, "Hello")                    // block 8 at byte 512
//       .Write(dir.Path(), "people.fpt");
//
// Defaults follow the signature: 48-byte descriptors (and the 36 extra header
// bytes) for 0x04 and 0x8C, the 263-byte gap for 0x30, 0x31 and 0x32.  Header
// length, record length and record count are computed unless overridden, so a
// test can also write a header that lies (a header length beyond the
// descriptors pads with zeros; a shorter one leaves the records right after
// the descriptors).
#pragma once

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "support/Process.h" // TempDir, WriteFileBytes

// Also linked by the benchmark table generator and the example table's
// writer, so that every table the project writes comes from here.

namespace ostrane::test {

// Bytes from hex pairs, blanks ignored: Hex("42 CC 00") is "\x42\xCC\x00".
std::string Hex(std::string_view hex);
std::string Le16(std::uint16_t v);
std::string Be16(std::uint16_t v);
std::string Le32(std::uint32_t v);
std::string Be32(std::uint32_t v);
std::string Le64(std::uint64_t v);
std::string LeDouble(double v);
std::string BeDouble(double v);

class TableBuilder {
public:
    explicit TableBuilder(std::uint8_t signature = 0x03);

    TableBuilder& LanguageDriver(std::uint8_t driver);
    // The date of the last update (default 2024-01-01).
    TableBuilder& LastUpdate(int year, int month, int day);
    TableBuilder& EncryptionFlag(std::uint8_t flag);
    // A descriptor; its stored offset is the packed position unless
    // StoredOffset overrides it for the last field added.
    TableBuilder& Field(std::string name, char type, std::uint8_t length,
                        std::uint8_t decimals = 0);
    TableBuilder& StoredOffset(std::uint32_t offset);
    // The flag byte (byte 18 of a 32-byte descriptor) of the last field added:
    // 0x02 nullable, 0x04 binary (no code-page translation).
    TableBuilder& FieldFlags(std::uint8_t flags);
    // A raw descriptor (32 or 48 bytes) written as given.
    TableBuilder& RawDescriptor(std::string bytes);

    // A record from field texts, each padded with blanks to its field's
    // length (a longer text is an error); the flag byte is a blank or "*".
    TableBuilder& Row(std::initializer_list<std::string> texts);
    TableBuilder& DeletedRow(std::initializer_list<std::string> texts);
    // A record given whole, flag byte included.
    TableBuilder& RawRecord(std::string bytes);

    // Overrides of what the builder computes.
    TableBuilder& RecordCount(std::int32_t count);
    TableBuilder& HeaderLength(std::uint16_t length);
    TableBuilder& RecordLength(std::uint16_t length);
    TableBuilder& DescriptorSize(int size); // 32 or 48
    TableBuilder& VfpGap(bool on);
    TableBuilder& Terminator(std::optional<std::uint8_t> byte); // none: no byte written
    TableBuilder& EndOfFile(bool on);                           // 0x1A after the records
    TableBuilder& Append(std::string bytes);                    // after everything
    TableBuilder& TruncateTo(std::size_t size);                 // cut the file

    std::string Bytes() const;
    // The header and descriptors alone, up to the first record: for writers
    // that stream their records (the benchmark's millions of them).
    std::string HeaderBytes() const;
    // Writes Bytes() into dir/fileName; returns the path.
    std::string Write(const std::string& dir, const std::string& fileName) const;

private:
    struct FieldDef {
        std::string Name;
        char Type = 'C';
        std::uint8_t Length = 0;
        std::uint8_t Decimals = 0;
        std::optional<std::uint32_t> StoredOffset;
        std::uint8_t Flags = 0;
        std::string Raw; // a raw descriptor instead of the above
    };

    TableBuilder& AddRow(char flag, std::initializer_list<std::string> texts);
    int DescriptorBytes() const;
    std::string Descriptor(const FieldDef& field, std::uint32_t packedOffset) const;

    std::uint8_t signature_;
    std::string lastUpdate_ = "\x7C\x01\x01";
    std::uint8_t languageDriver_ = 0;
    std::uint8_t encryptionFlag_ = 0;
    std::vector<FieldDef> fields_;
    std::vector<std::string> records_;
    std::optional<std::int32_t> recordCount_;
    std::optional<std::uint16_t> headerLength_;
    std::optional<std::uint16_t> recordLength_;
    std::optional<int> descriptorSize_;
    std::optional<bool> vfpGap_;
    std::optional<std::uint8_t> terminator_ = 0x0D;
    bool endOfFile_ = true;
    std::string appended_;
    std::optional<std::size_t> truncateTo_;
};

// A memo file: a 512-byte header, then blocks at chosen numbers (block n at
// byte n x block size), gaps zero-filled, the file ending with the last block.
class MemoBuilder {
public:
    enum class Layout {
        DBase, // next free block LE at 0-3, block size LE at 20-21
        FoxPro // next free block BE at 0-3, block size BE at 6-7
    };

    // A block size of 0 writes no block size (a dBase III memo file).
    explicit MemoBuilder(Layout layout, std::uint16_t blockSize = 512);

    // Overwrites header bytes at an offset.
    MemoBuilder& HeaderBytes(std::size_t offset, std::string bytes);
    // Raw bytes placed at block `number`.
    MemoBuilder& Block(std::uint32_t number, std::string bytes);
    // Length form: FoxPro 00 00 00 01 + BE length, dBase 00 00 00 00 + LE length.
    MemoBuilder& LengthBlock(std::uint32_t number, std::string_view text);
    // dBase IV: FF FF 08 00 + LE length counting the 8 header bytes.
    MemoBuilder& DBase4Block(std::uint32_t number, std::string_view text);
    // Terminated form: the text and 0x1A 0x1A.
    MemoBuilder& TerminatedBlock(std::uint32_t number, std::string_view text);
    // Zeros after the last block up to a whole block, as dBase writes it.
    MemoBuilder& PadLastBlock();

    std::string Bytes() const;
    std::string Write(const std::string& dir, const std::string& fileName) const;

private:
    Layout layout_;
    std::uint16_t blockSize_;
    bool padLastBlock_ = false;
    std::vector<std::pair<std::size_t, std::string>> headerPatches_;
    std::vector<std::pair<std::uint32_t, std::string>> blocks_;
};

} // namespace ostrane::test
