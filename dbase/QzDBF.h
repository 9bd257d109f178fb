// The dBase reader: TDBF reads one dBase/FoxPro table (header, field
// descriptors, records, memo file) and reports its values through the events
// of the import component.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "framework/QzCells.h"
#include "platform/FileStream.h"

namespace ostrane {

// ---------------------------------------------------------------------------
// Versions

enum TDBFVersion : std::uint8_t {
    dBase3,
    dBase3Memo,
    dBase3Plus,
    dBase3PlusMemo,
    FoxPro,
    FoxProMemo,
    dBase4,
    dBase4Memo,
    VFP3,
    dBase5,
    dBase7,
    dBase7Memo,
    FoxBASE1,
    FoxBASE2,
    VFP3AutoIncrement,
    HyperSix,
    VFP3Binary,
    dBase4SQL,
    dBase4SQLSys,
    FoxPro2,
};

enum TDBFMemoType : std::uint8_t { dmDBT, dmFPT, dmSMT };

// The signature byte of each version, indexed by TDBFVersion.  Several
// versions share a byte; the lookup takes the first.
inline constexpr std::array<std::uint8_t, 20> VersionSignatures = {
    0x03, 0x83, 0x2F, 0x8A, 0x05, 0xF5, 0x03, 0x8B, 0x30, 0x04,
    0x04, 0x8C, 0x02, 0xFB, 0x31, 0xE5, 0x42, 0x62, 0x82, 0xFA,
};

// The first version whose signature is the byte; dBase3 for an unknown byte.
TDBFVersion VersionFromSignature(std::uint8_t signature);
// dBase5, dBase7 and dBase7Memo: 48-byte descriptors after 36 extra header
// bytes, big-endian integers with the top bit inverted.
bool Is48ByteKind(TDBFVersion version);
// Signatures 0x30, 0x31, 0x32: 263 bytes after the descriptors, binary memo
// block numbers, a FoxPro-layout ".fpt" memo file, little-endian integers.
bool IsVisualFoxProFamily(std::uint8_t signature);

// ---------------------------------------------------------------------------
// Header and field descriptors

// The 32 header bytes as stored (little-endian) and the computed field count.
struct TDBFHeader {
    std::uint8_t Signature = 0;
    std::array<std::uint8_t, 3> LastUpdate{};
    std::int32_t RecordCount = 0;
    std::uint16_t HeaderLength = 0;
    std::uint16_t RecordLength = 0;
    std::array<std::uint8_t, 2> Reserved1{};
    std::uint8_t TransactionFlag = 0;
    std::uint8_t EncryptionFlag = 0;
    std::array<std::uint8_t, 12> Reserved2{};
    std::uint8_t TableFlags = 0;
    std::uint8_t LanguageDriver = 0;
    std::array<std::uint8_t, 2> Reserved3{};
    std::int32_t FieldCount = 0; // computed, not stored

    static constexpr std::size_t StoredSize = 32;
    static TDBFHeader FromBytes(const std::uint8_t* bytes); // StoredSize bytes
};

// One field descriptor.  Offset is computed by packing the fields one after
// another from byte 1 of the record; the stored position is ignored.
struct TDBFField {
    std::string Name;
    char FieldType = 0;
    std::int32_t Offset = 0;
    // Up to 255 as stored; a long C field of FoxPro and Clipper takes its
    // high byte from the decimals byte.
    std::uint16_t Length = 0;
    std::uint8_t Decimals = 0;
    std::array<std::uint8_t, 2> Reserved1{};
    std::uint8_t WorkAreaId = 0;
    std::array<std::uint8_t, 2> Reserved2{};
    std::uint8_t SetFieldsFlag = 0;
    std::array<std::uint8_t, 8> Reserved3{};
    std::uint8_t IndexFlag = 0;

    static TDBFField From32(const std::uint8_t* bytes); // 32-byte descriptor
    static TDBFField From48(const std::uint8_t* bytes); // 48-byte descriptor
};

// Sheet 0 of a TDBF: the header, the memo file's header copies and the
// descriptors of the table being read.
class TQzDBFTable : public TSpreadSheet {
public:
    TDBFHeader Header;
    std::array<std::uint8_t, 512> DBTHeader{}; // dBase layout, as stored
    std::array<std::uint8_t, 512> FPTHeader{}; // FoxPro layout, bytes 0-3 and 6-7 in host order
    std::vector<TDBFField> Fields;             // FieldCount entries
};

// ---------------------------------------------------------------------------
// Code pages and type names

// Decodes text in a Windows code page into UTF-16, up to the first NUL; an
// unavailable code page gives the empty text.
std::u16string CodePageToWide(std::string_view text, std::uint16_t codePage);

// The re-encoding of a table's texts, chosen once per table.
class TextConversion {
public:
    static TextConversion ForLanguageDriver(std::uint8_t languageDriver);
    // Texts in a code page named by the user or by a .cpg file.
    static TextConversion ForCodePage(std::uint16_t codePage);

    // False: texts stay exactly as stored.
    bool Converts() const { return kind_ != Kind::None; }
    // The code page of a code-page row (0 for the OEM row and for none).
    std::uint16_t CodePage() const { return codePage_; }
    // False when the row's code page cannot be decoded here.
    bool Available() const { return available_; }

    // The converted text: a view of `text` itself when nothing changes, else
    // of `scratch`, which receives the conversion.
    std::string_view Apply(std::string_view text, std::string& scratch) const;

private:
    // AnsiOrUtf8: Windows-1252, unless a text forms valid UTF-8 (which
    // 1252 text almost never does; newer writers store UTF-8 there).
    enum class Kind : std::uint8_t { None, Oem, CodePage, AnsiOrUtf8 };
    Kind kind_ = Kind::None;
    std::uint16_t codePage_ = 0;
    bool available_ = true;
};

// ---------------------------------------------------------------------------
// Files beside the table

// The file itself when it exists; else a file in the same folder whose name
// differs only in ASCII letter case (the first in name order); else empty.
std::string FindFileIgnoringCase(const std::string& path);
// The path without the extension of its last component.
std::string WithoutExtension(const std::string& path);

// ---------------------------------------------------------------------------
// Memo files

// Size of the next read of a memo text: `chunkSize` while at least that much
// remains, else what remains.
inline std::int64_t NextMemoChunk(std::int64_t remaining, std::int64_t chunkSize) {
    return remaining < chunkSize ? remaining : chunkSize;
}

// ---------------------------------------------------------------------------
// The reader

class RecordDecoder;

// What LoadRecord does with a field: decodes it (Early), leaves it for
// ReportLateFields (Late), or skips it because nobody reads it (Unused) or
// because only its text is read, through AppendFieldText (Text).
enum class FieldUse : std::uint8_t { Unused, Early, Late, Text };

class TDBF : public TSpreadSheetFile {
public:
    TDBF();
    ~TDBF() override;

    TDBFVersion DBFVersion = dBase3;
    TDBFMemoType DBFMemoType = dmDBT;
    // The code page of the table's texts when the user names one (0: a .cpg
    // file beside the table names it, else the language driver byte).
    std::uint16_t CodePage = 0;

    bool IsEncrypted() override;
    std::string ReadBlob(std::int64_t blockNo, std::int32_t extra) override;
    void LoadFromFile(const std::u16string& fileName) override;
    void ParseStream(FileStream& stream) override;
    void BeforeParse() override;
    void AfterParse() override;
    bool SeekRecord(std::int32_t index) override;
    bool LoadRecord(std::int32_t index, std::int32_t rowNo) override;
    std::int32_t GetColumnIndex(const std::string& name) override;
    void GetColumnNames(TStringList& list, const std::string& names) override;

    // Copies of sheet 0's header and of descriptor `index` (all zero before
    // any parse, and for an index outside the parsed fields).
    void GetHeader(TDBFHeader& header);
    void GetField(std::int32_t index, TDBFField& field);

    // False: LoadRecord decodes the fields for DecodedValue only, without
    // raising OnCellValue (whose default handler stores every cell).
    bool FireCellEvents = true;
    // One use per field for the records that follow (fields beyond the list
    // are Early; an empty list makes every field Early, as after a parse).
    void SetFieldUses(const std::vector<FieldUse>& uses);
    // Decodes and reports the Late fields of the record just loaded.
    void ReportLateFields(std::int32_t rowNo);
    // Field i of the record just loaded as the reader decoded it; stale for
    // a field that was not decoded.  nullptr outside the fields.
    const Value* DecodedValue(std::int32_t field) const;
    // Appends the text of field i of the record just loaded: its decoded
    // value's text (a logical as 1 or 0), or for a Text field the same text
    // written straight from the record.  Nothing outside the fields.
    void AppendFieldText(std::int32_t field, std::string& out);

    // Texts of the table re-encoded into the ANSI set by its language driver.
    std::string ConvertText(std::string_view text);
    static std::string GetFieldTypeName(char fieldType);

    // Diagnostics of the last parse.
    // Records of the header's count that the file holds at least in part
    // (those LoadRecord can deliver).
    std::int64_t RecordsPresent() const { return recordsPresent_; }
    // A memo field named a block but no memo file was found.
    bool MemoFileMissing() const { return memoFileMissing_; }
    // Memo texts that the memo file lacks in whole or in part: blocks past
    // its end, lengths beyond it.
    std::int64_t MemoTextsCut() const { return memoTextsCut_; }
    // The language driver's code page cannot be decoded: its texts come out empty.
    bool CodePageUnavailable() const { return !conversion_.Available(); }
    // The code page that a .cpg file beside the table names (0: none, or
    // one this system cannot convert from).
    std::uint16_t CodePageOfCpgFile() const { return cpgCodePage_; }
    // Texts copied as stored (the table names no code page) that are not
    // valid in the output character set.
    std::int64_t TextsNotValid() const;
    // The length records are stepped by: the header's, unless the fields and
    // the file size agree on another.
    std::uint16_t RecordLengthUsed() const { return recordLength_; }
    // 1 + the sum of the field lengths.
    std::int64_t RecordLengthOfFields() const { return fieldsLength_; }
    // Whole records that the file holds beyond the header's count.
    std::int64_t RecordsUncounted() const { return recordsUncounted_; }

private:
    friend class RecordDecoder;

    TQzDBFTable& Table();
    void ReadDescriptors(FileStream& stream, TQzDBFTable& table);
    // The size of the table file and whether its last byte is 0x1A.
    struct FileEnd {
        std::int64_t Size = 0;
        bool EndOfFileByte = false;
    };
    void CountRecordsPresent(const FileEnd& end, const TDBFHeader& header);
    void ChooseRecordLength(const FileEnd& end, TQzDBFTable& table);
    void ChooseTextConversion(std::uint8_t languageDriver);
    void LoadAllRecords(const TDBFHeader& header);
    std::int64_t RecordPosition(const TDBFHeader& header, std::int32_t index) const;
    bool PositionForRecord(const TDBFHeader& header, std::int32_t index);
    bool AtRecord(const TDBFHeader& header, std::int32_t index);

    // Memo file.
    bool MemoIsFoxProLayout();
    bool MemoIsTerminatedForm();
    bool OpenMemo();
    std::int64_t MemoBlockSize();
    void CloseMemo();

    FileStream* dataStream_ = nullptr; // the caller's stream, not owned
    std::unique_ptr<FileStream> memoStream_;
    bool memoLookupFailed_ = false;
    TextConversion conversion_;
    std::unique_ptr<RecordDecoder> decoder_;
    std::int64_t recordsPresent_ = 0;
    std::int64_t recordsUncounted_ = 0;
    std::uint16_t cpgCodePage_ = 0;
    std::uint16_t recordLength_ = 0;
    std::int64_t fieldsLength_ = 0;
    bool memoFileMissing_ = false;
    std::int64_t memoTextsCut_ = 0;
};

} // namespace ostrane
