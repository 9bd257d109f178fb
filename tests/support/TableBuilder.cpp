#include "support/TableBuilder.h"

#include <bit>
#include <stdexcept>

namespace ostrane::test {

namespace {

std::string Bytes(std::uint64_t v, int count, bool bigEndian) {
    std::string out(std::size_t(count), '\0');
    for (int i = 0; i < count; ++i) {
        const int shift = 8 * (bigEndian ? count - 1 - i : i);
        out[std::size_t(i)] = char((v >> shift) & 0xFF);
    }
    return out;
}

void Place(std::string& file, std::size_t at, std::string_view bytes) {
    if (file.size() < at + bytes.size()) file.resize(at + bytes.size(), '\0');
    file.replace(at, bytes.size(), bytes);
}

} // namespace

std::string Hex(std::string_view hex) {
    std::string out;
    int pending = -1;
    for (char c : hex) {
        if (c == ' ') continue;
        const int digit = c >= '0' && c <= '9'   ? c - '0'
                          : c >= 'a' && c <= 'f' ? c - 'a' + 10
                          : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                 : -1;
        if (digit < 0) throw std::invalid_argument("Hex: not a hex digit");
        if (pending < 0) {
            pending = digit;
        } else {
            out.push_back(char(pending * 16 + digit));
            pending = -1;
        }
    }
    if (pending >= 0) throw std::invalid_argument("Hex: odd number of digits");
    return out;
}

std::string Le16(std::uint16_t v) {
    return Bytes(v, 2, false);
}
std::string Be16(std::uint16_t v) {
    return Bytes(v, 2, true);
}
std::string Le32(std::uint32_t v) {
    return Bytes(v, 4, false);
}
std::string Be32(std::uint32_t v) {
    return Bytes(v, 4, true);
}
std::string Le64(std::uint64_t v) {
    return Bytes(v, 8, false);
}
std::string LeDouble(double v) {
    return Bytes(std::bit_cast<std::uint64_t>(v), 8, false);
}
std::string BeDouble(double v) {
    return Bytes(std::bit_cast<std::uint64_t>(v), 8, true);
}

// ---------------------------------------------------------------------------

TableBuilder::TableBuilder(std::uint8_t signature) : signature_(signature) {}

TableBuilder& TableBuilder::LanguageDriver(std::uint8_t driver) {
    languageDriver_ = driver;
    return *this;
}

TableBuilder& TableBuilder::LastUpdate(int year, int month, int day) {
    lastUpdate_ = {char(year - 1900), char(month), char(day)};
    return *this;
}

TableBuilder& TableBuilder::EncryptionFlag(std::uint8_t flag) {
    encryptionFlag_ = flag;
    return *this;
}

TableBuilder& TableBuilder::Field(std::string name, char type, std::uint8_t length,
                                  std::uint8_t decimals) {
    fields_.push_back({std::move(name), type, length, decimals, std::nullopt, 0, {}});
    return *this;
}

TableBuilder& TableBuilder::FieldFlags(std::uint8_t flags) {
    fields_.back().Flags = flags;
    return *this;
}

TableBuilder& TableBuilder::StoredOffset(std::uint32_t offset) {
    fields_.back().StoredOffset = offset;
    return *this;
}

TableBuilder& TableBuilder::RawDescriptor(std::string bytes) {
    FieldDef raw;
    raw.Raw = std::move(bytes);
    fields_.push_back(std::move(raw));
    return *this;
}

TableBuilder& TableBuilder::AddRow(char flag, std::initializer_list<std::string> texts) {
    if (texts.size() != fields_.size()) throw std::invalid_argument("Row: one text per field");
    std::string record(1, flag);
    auto field = fields_.begin();
    for (const std::string& text : texts) {
        if (text.size() > field->Length) throw std::invalid_argument("Row: text too long");
        record += text;
        record.append(field->Length - text.size(), ' ');
        ++field;
    }
    records_.push_back(std::move(record));
    return *this;
}

TableBuilder& TableBuilder::Row(std::initializer_list<std::string> texts) {
    return AddRow(' ', texts);
}

TableBuilder& TableBuilder::DeletedRow(std::initializer_list<std::string> texts) {
    return AddRow('*', texts);
}

TableBuilder& TableBuilder::RawRecord(std::string bytes) {
    records_.push_back(std::move(bytes));
    return *this;
}

TableBuilder& TableBuilder::RecordCount(std::int32_t count) {
    recordCount_ = count;
    return *this;
}

TableBuilder& TableBuilder::HeaderLength(std::uint16_t length) {
    headerLength_ = length;
    return *this;
}

TableBuilder& TableBuilder::RecordLength(std::uint16_t length) {
    recordLength_ = length;
    return *this;
}

TableBuilder& TableBuilder::DescriptorSize(int size) {
    descriptorSize_ = size;
    return *this;
}

TableBuilder& TableBuilder::VfpGap(bool on) {
    vfpGap_ = on;
    return *this;
}

TableBuilder& TableBuilder::Terminator(std::optional<std::uint8_t> byte) {
    terminator_ = byte;
    return *this;
}

TableBuilder& TableBuilder::EndOfFile(bool on) {
    endOfFile_ = on;
    return *this;
}

TableBuilder& TableBuilder::Append(std::string bytes) {
    appended_ += bytes;
    return *this;
}

TableBuilder& TableBuilder::TruncateTo(std::size_t size) {
    truncateTo_ = size;
    return *this;
}

int TableBuilder::DescriptorBytes() const {
    if (descriptorSize_) return *descriptorSize_;
    return signature_ == 0x04 || signature_ == 0x8C ? 48 : 32;
}

std::string TableBuilder::Descriptor(const FieldDef& field, std::uint32_t packedOffset) const {
    if (!field.Raw.empty()) return field.Raw;
    const bool wide = DescriptorBytes() == 48;
    const std::size_t nameWidth = wide ? 32 : 11;
    std::string d(wide ? 48 : 32, '\0');
    d.replace(0, std::min(field.Name.size(), nameWidth), field.Name.substr(0, nameWidth));
    const std::size_t typeAt = wide ? 32 : 11;
    d[typeAt] = field.Type;
    d[typeAt + 1 + (wide ? 0 : 4)] = char(field.Length);
    d[typeAt + 2 + (wide ? 0 : 4)] = char(field.Decimals);
    if (!wide) d.replace(12, 4, Le32(field.StoredOffset.value_or(packedOffset)));
    if (!wide) d[18] = char(field.Flags);
    return d;
}

std::string TableBuilder::Bytes() const {
    std::string file = HeaderBytes();
    for (const std::string& record : records_) file += record;
    if (endOfFile_) file.push_back('\x1A');
    file += appended_;
    if (truncateTo_ && *truncateTo_ < file.size()) file.resize(*truncateTo_);
    return file;
}

std::string TableBuilder::HeaderBytes() const {
    const bool wide = DescriptorBytes() == 48;
    const bool gap = vfpGap_.value_or(signature_ >= 0x30 && signature_ <= 0x32);
    std::string descriptors;
    std::uint32_t packed = 1;
    for (const FieldDef& field : fields_) {
        descriptors += Descriptor(field, packed);
        packed += field.Length;
    }
    if (terminator_) descriptors.push_back(char(*terminator_));
    if (gap) descriptors.append(263, '\0');

    const std::size_t extra = wide ? 36 : 0;
    const std::size_t headerLength =
        headerLength_.value_or(std::uint16_t(32 + extra + descriptors.size()));
    const std::uint16_t recordLength = recordLength_.value_or(std::uint16_t(packed));

    std::string file(32, '\0');
    file[0] = char(signature_);
    file.replace(1, 3, lastUpdate_);
    file.replace(4, 4, Le32(std::uint32_t(recordCount_.value_or(std::int32_t(records_.size())))));
    file.replace(8, 2, Le16(std::uint16_t(headerLength)));
    file.replace(10, 2, Le16(recordLength));
    file[15] = char(encryptionFlag_);
    file[29] = char(languageDriver_);
    if (wide) file.append(36, '\0');
    file += descriptors;
    // Records start at the header length; a header length shorter than the
    // descriptors took lies, and the records simply follow them.
    if (file.size() < headerLength) file.resize(headerLength, '\0');
    return file;
}

std::string TableBuilder::Write(const std::string& dir, const std::string& fileName) const {
    const std::string path = dir + "/" + fileName;
    WriteFileBytes(path, Bytes());
    return path;
}

// ---------------------------------------------------------------------------

MemoBuilder::MemoBuilder(Layout layout, std::uint16_t blockSize)
    : layout_(layout), blockSize_(blockSize) {}

MemoBuilder& MemoBuilder::HeaderBytes(std::size_t offset, std::string bytes) {
    headerPatches_.emplace_back(offset, std::move(bytes));
    return *this;
}

MemoBuilder& MemoBuilder::Block(std::uint32_t number, std::string bytes) {
    blocks_.emplace_back(number, std::move(bytes));
    return *this;
}

MemoBuilder& MemoBuilder::LengthBlock(std::uint32_t number, std::string_view text) {
    const auto length = std::uint32_t(text.size());
    const std::string header =
        layout_ == Layout::FoxPro ? Be32(1) + Be32(length) : Le32(0) + Le32(length);
    return Block(number, header + std::string(text));
}

MemoBuilder& MemoBuilder::DBase4Block(std::uint32_t number, std::string_view text) {
    return Block(number,
                 Hex("FF FF 08 00") + Le32(std::uint32_t(text.size() + 8)) + std::string(text));
}

MemoBuilder& MemoBuilder::TerminatedBlock(std::uint32_t number, std::string_view text) {
    return Block(number, std::string(text) + "\x1A\x1A");
}

MemoBuilder& MemoBuilder::PadLastBlock() {
    padLastBlock_ = true;
    return *this;
}

std::string MemoBuilder::Bytes() const {
    const std::size_t unit = blockSize_ == 0 ? 512 : blockSize_;
    std::string file(512, '\0');
    std::uint32_t nextFree = std::uint32_t((512 + unit - 1) / unit);
    for (const auto& [number, bytes] : blocks_) {
        Place(file, std::size_t(number) * unit, bytes);
        nextFree = std::max(nextFree, std::uint32_t((file.size() + unit - 1) / unit));
    }
    if (padLastBlock_) file.resize(std::size_t(nextFree) * unit, '\0');
    if (layout_ == Layout::FoxPro) {
        Place(file, 0, Be32(nextFree));
        Place(file, 6, Be16(blockSize_));
    } else {
        Place(file, 0, Le32(nextFree));
        Place(file, 20, Le16(blockSize_));
    }
    for (const auto& [offset, bytes] : headerPatches_) Place(file, offset, bytes);
    return file;
}

std::string MemoBuilder::Write(const std::string& dir, const std::string& fileName) const {
    const std::string path = dir + "/" + fileName;
    WriteFileBytes(path, Bytes());
    return path;
}

} // namespace ostrane::test
