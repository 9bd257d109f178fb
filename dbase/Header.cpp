// TDBF: versions, the header and the field descriptors, the component's
// life cycle and the two accessors.
#include <algorithm>
#include <cstdio>

#include "dbase/ByteOrder.h"
#include "dbase/QzDBF.h"
#include "dbase/RecordDecoder.h"
#include "platform/CodePage.h"

namespace ostrane {

namespace {

constexpr std::int32_t kHeaderSize = 32;
constexpr std::int32_t kExtraHeader48 = 36;    // language driver name and reserved
constexpr std::int32_t kVisualFoxProGap = 263; // backlink area after the descriptors
constexpr std::uint8_t kFieldTerminator = 0x0D;
constexpr std::uint8_t kEndOfFile = 0x1A;

std::int32_t DescriptorSize(TDBFVersion version) {
    return Is48ByteKind(version) ? 48 : 32;
}

// FieldCount as the header length gives it: the descriptors that fit wholly
// in the header.  The terminator byte after them takes no room of its own
// (the division truncates), so a header written without one keeps its last
// descriptor.
std::int32_t ComputedFieldCount(const TDBFHeader& header, TDBFVersion version) {
    std::int32_t area = std::int32_t(header.HeaderLength) - kHeaderSize;
    if (IsVisualFoxProFamily(header.Signature)) area -= kVisualFoxProGap;
    if (Is48ByteKind(version)) area -= kExtraHeader48;
    return area / DescriptorSize(version); // truncates toward zero
}

// Bytes up to the first NUL, at most `width`.
std::string NameFromBytes(const std::uint8_t* bytes, std::size_t width) {
    const auto* text = reinterpret_cast<const char*>(bytes);
    return std::string(text, std::find(text, text + width, '\0'));
}

// The sheet caption from a file name in the ANSI set: UTF-8 is decoded, a
// byte that starts no valid sequence (and every byte of an 8-bit set) stands
// for the character of the same number.
std::u16string CaptionFromAnsi(std::string_view text) {
    const bool utf8 = AnsiCharset() == "UTF-8";
    std::u16string out;
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const std::size_t extra = !utf8 || lead < 0xC0 || lead >= 0xF8 ? 0
                                  : lead >= 0xF0                       ? 3
                                  : lead >= 0xE0                       ? 2
                                                                       : 1;
        char32_t code = extra == 0 ? lead : lead & (0x3F >> extra);
        std::size_t k = 1;
        for (; k <= extra && i + k < text.size(); ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80) break;
            code = (code << 6) | (next & 0x3F);
        }
        if (k <= extra) code = lead, k = 1;
        if (code >= 0x10000) {
            code -= 0x10000;
            out.push_back(char16_t(0xD800 + (code >> 10)));
            out.push_back(char16_t(0xDC00 + (code & 0x3FF)));
        } else {
            out.push_back(char16_t(code));
        }
        i += k;
    }
    return out;
}

std::int64_t RecordLengthOfFieldList(const std::vector<TDBFField>& fields) {
    std::int64_t length = 1; // the deletion flag
    for (const TDBFField& field : fields) length += field.Length;
    return length;
}

// FoxPro and Clipper store the length of a C field beyond 255 bytes with
// its high byte in the decimals byte.  Read so only when that, and only
// that, makes the fields fill the header's record length.
void WidenLongCharacterFields(std::vector<TDBFField>& fields, std::uint16_t recordLength) {
    const std::int64_t plain = RecordLengthOfFieldList(fields);
    std::int64_t widened = plain;
    for (const TDBFField& field : fields)
        if (field.FieldType == 'C') widened += 256 * field.Decimals;
    if (plain == recordLength || widened != recordLength) return;
    for (TDBFField& field : fields) {
        if (field.FieldType != 'C') continue;
        field.Length = std::uint16_t(field.Length + 256 * field.Decimals);
    }
}

// Whether the file's last byte is the end-of-file mark 0x1A.
bool EndsWithEndOfFileByte(FileStream& stream) {
    const std::int64_t size = stream.Size();
    if (size <= 0) return false;
    std::uint8_t last = 0;
    stream.Seek(size - 1, SEEK_SET);
    stream.Read(&last, 1);
    return last == kEndOfFile;
}

std::string_view WithoutDirectory(std::string_view path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

} // namespace

// ---------------------------------------------------------------------------
// Versions

TDBFVersion VersionFromSignature(std::uint8_t signature) {
    const auto* found = std::find(VersionSignatures.begin(), VersionSignatures.end(), signature);
    return found == VersionSignatures.end() ? dBase3
                                            : TDBFVersion(found - VersionSignatures.begin());
}

bool Is48ByteKind(TDBFVersion version) {
    return version == dBase5 || version == dBase7 || version == dBase7Memo;
}

bool IsVisualFoxProFamily(std::uint8_t signature) {
    return signature == 0x30 || signature == 0x31 || signature == 0x32;
}

// ---------------------------------------------------------------------------
// Records of the header

TDBFHeader TDBFHeader::FromBytes(const std::uint8_t* b) {
    TDBFHeader h;
    h.Signature = b[0];
    std::copy_n(b + 1, 3, h.LastUpdate.begin());
    h.RecordCount = std::int32_t(bytes::Le32(b + 4));
    h.HeaderLength = bytes::Le16(b + 8);
    h.RecordLength = bytes::Le16(b + 10);
    std::copy_n(b + 12, 2, h.Reserved1.begin());
    h.TransactionFlag = b[14];
    h.EncryptionFlag = b[15];
    std::copy_n(b + 16, 12, h.Reserved2.begin());
    h.TableFlags = b[28];
    h.LanguageDriver = b[29];
    std::copy_n(b + 30, 2, h.Reserved3.begin());
    return h;
}

TDBFField TDBFField::From32(const std::uint8_t* b) {
    TDBFField f;
    f.Name = NameFromBytes(b, 11);
    f.FieldType = char(b[11]);
    f.Length = b[16];
    f.Decimals = b[17];
    std::copy_n(b + 18, 2, f.Reserved1.begin());
    f.WorkAreaId = b[20];
    std::copy_n(b + 21, 2, f.Reserved2.begin());
    f.SetFieldsFlag = b[23];
    std::copy_n(b + 24, 8, f.Reserved3.begin());
    return f;
}

TDBFField TDBFField::From48(const std::uint8_t* b) {
    TDBFField f;
    f.Name = NameFromBytes(b, 32);
    f.FieldType = char(b[32]);
    f.Length = b[33];
    f.Decimals = b[34];
    std::copy_n(b + 35, 2, f.Reserved1.begin());
    f.IndexFlag = b[37];
    std::copy_n(b + 38, 4, f.Reserved3.begin());
    return f;
}

// ---------------------------------------------------------------------------
// Life cycle

TDBF::TDBF() {
    Sheets->SheetClass = [] { return std::make_unique<TQzDBFTable>(); };
    LoadOnDemand = true;
    NameKind = nkFieldName;
}

TDBF::~TDBF() {
    if (LoadOnDemand) AfterParse();
}

TQzDBFTable& TDBF::Table() {
    return dynamic_cast<TQzDBFTable&>(Sheets->Sheet(0));
}

bool TDBF::IsEncrypted() {
    return Table().Header.EncryptionFlag != 0;
}

void TDBF::GetHeader(TDBFHeader& header) {
    header = Table().Header;
}

void TDBF::GetField(std::int32_t index, TDBFField& field) {
    const auto& fields = Table().Fields;
    field =
        index >= 0 && std::size_t(index) < fields.size() ? fields[std::size_t(index)] : TDBFField{};
}

void TDBF::BeforeParse() {
    TSpreadSheetFile::BeforeParse();
    TQzDBFTable& table = Table();
    table.Caption = CaptionFromAnsi(WithoutDirectory(FileName));
    const TQzIRowStatuses both = RowStatusBit(rsNormal) | RowStatusBit(rsDeleted);
    table.Cells.TrackDimensions = LoadRowStatutes != both;
}

void TDBF::AfterParse() {
    dataStream_ = nullptr;
    CloseMemo();
    TSpreadSheetFile::AfterParse();
}

void TDBF::LoadFromFile(const std::u16string& fileName) {
    TSpreadSheetFile::LoadFromFile(fileName);
    FileStream file(FileName, FileStream::Mode::OpenRead);
    struct ForgetStream {
        FileStream*& stream;
        ~ForgetStream() { stream = nullptr; }
    } forget{dataStream_};
    file.Seek(0, SEEK_SET);
    ParseStream(file);
}

// ---------------------------------------------------------------------------
// Parsing

void TDBF::ParseStream(FileStream& stream) {
    TSpreadSheetFile::ParseStream(stream);
    // A memo file left open by an earlier parse belongs to another table.
    CloseMemo();
    memoLookupFailed_ = false;
    memoFileMissing_ = false;
    memoTextsCut_ = 0;
    recordsPresent_ = 0;
    recordsUncounted_ = 0;
    recordLength_ = 0;
    fieldsLength_ = 0;
    decoder_.reset();
    try {
        BeforeParse();
        TQzDBFTable& table = Table();
        std::uint8_t raw[kHeaderSize] = {};
        stream.Read(raw, sizeof raw);
        table.Header = TDBFHeader::FromBytes(raw);
        DBFVersion = VersionFromSignature(table.Header.Signature);
        ChooseTextConversion(table.Header.LanguageDriver);
        if (Is48ByteKind(DBFVersion)) {
            stream.Seek(32, SEEK_CUR);
            stream.Seek(4, SEEK_CUR);
        }
        table.Header.FieldCount = ComputedFieldCount(table.Header, DBFVersion);
        if (OnDimensions)
            OnDimensions(this, 0, 0, table.Header.RecordCount, 0, table.Header.FieldCount);
        ReadDescriptors(stream, table);
        const FileEnd end{stream.Size(), EndsWithEndOfFileByte(stream)};
        ChooseRecordLength(end, table);
        stream.Seek(table.Header.HeaderLength, SEEK_SET);
        dataStream_ = &stream;
        TDBFHeader stepping = table.Header;
        stepping.RecordLength = recordLength_;
        CountRecordsPresent(end, stepping);
        decoder_ = std::make_unique<RecordDecoder>(*this, table, recordLength_);
        if (!LoadOnDemand) LoadAllRecords(table.Header);
    } catch (...) {
        if (!LoadOnDemand) AfterParse();
        throw;
    }
    if (!LoadOnDemand) AfterParse();
}

void TDBF::ReadDescriptors(FileStream& stream, TQzDBFTable& table) {
    const bool wide = Is48ByteKind(DBFVersion);
    const std::size_t size = std::size_t(DescriptorSize(DBFVersion));
    const std::int32_t count = table.Header.FieldCount;
    table.Fields.clear();
    table.Fields.reserve(std::size_t(std::max(count, 0)));
    for (std::int32_t i = 0; i < count; ++i) {
        std::uint8_t raw[48] = {}; // what a short stream cannot supply stays zero
        stream.Read(raw, size);
        if (raw[0] == kFieldTerminator) {
            table.Header.FieldCount = i;
            break;
        }
        TDBFField field = wide ? TDBFField::From48(raw) : TDBFField::From32(raw);
        if (conversion_.Converts()) field.Name = ConvertText(field.Name);
        table.Fields.push_back(std::move(field));
    }
    WidenLongCharacterFields(table.Fields, table.Header.RecordLength);
    std::int32_t running = 0;
    for (std::size_t i = 0; i < table.Fields.size(); ++i) {
        TDBFField& field = table.Fields[i];
        field.Offset = running + 1;
        running += field.Length;
        if (OnColumnWidth) OnColumnWidth(this, 0, std::int32_t(i), field.Length);
    }
}

// Records are stepped by the header's record length unless it contradicts
// both the fields and the file: then by the length of the fields when that
// one, and only that one, makes the records fill the file exactly.
void TDBF::ChooseRecordLength(const FileEnd& end, TQzDBFTable& table) {
    const TDBFHeader& header = table.Header;
    fieldsLength_ = RecordLengthOfFieldList(table.Fields);
    recordLength_ = header.RecordLength;
    if (table.Fields.empty() || fieldsLength_ == header.RecordLength || fieldsLength_ > 0xFFFF ||
        header.RecordCount < 0)
        return;
    auto fillsFile = [&](std::int64_t length) {
        const std::int64_t recordsEnd = header.HeaderLength + header.RecordCount * length;
        return recordsEnd == end.Size || (end.EndOfFileByte && recordsEnd == end.Size - 1);
    };
    if (fillsFile(fieldsLength_) && !fillsFile(header.RecordLength))
        recordLength_ = std::uint16_t(fieldsLength_);
}

// How many of the header's records the file holds at least in part: a record
// wholly past the end, or of which only the end-of-file byte is there, is not.
void TDBF::CountRecordsPresent(const FileEnd& end, const TDBFHeader& header) {
    const std::int64_t available = end.Size - header.HeaderLength;
    const std::int64_t count = std::max<std::int64_t>(header.RecordCount, 0);
    if (available <= 0) {
        recordsPresent_ = 0;
        return;
    }
    // A record holds at least its deletion flag: with no bytes per record
    // the file holds none, whatever the count says.
    if (header.RecordLength == 0) {
        recordsPresent_ = 0;
        return;
    }
    const bool endOfFileByte = end.EndOfFileByte;
    std::int64_t present = available / header.RecordLength;
    const std::int64_t rest = available % header.RecordLength;
    if (rest > 1 || (rest == 1 && header.RecordLength > 1 && !endOfFileByte)) ++present;
    // Whole records past the count are not read (the count is what the
    // writer committed), but they are worth a word.  The end-of-file byte
    // is no record.
    if (header.RecordCount >= 0) {
        const std::int64_t whole = (available - (endOfFileByte ? 1 : 0)) / header.RecordLength;
        recordsUncounted_ = std::max<std::int64_t>(whole - count, 0);
    }
    recordsPresent_ = std::min(present, count);
}

void TDBF::LoadAllRecords(const TDBFHeader& header) {
    // Records past the end of the file are never delivered, so the loop ends there.
    const std::int64_t last = std::min<std::int64_t>(header.RecordCount, recordsPresent_);
    std::int32_t row = 0;
    for (std::int32_t i = 0; i < last; ++i) {
        if (LoadRecord(i, row)) ++row;
        if (i > Range->LastRow) break;
    }
}

} // namespace ostrane
