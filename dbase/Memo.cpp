// TDBF: memo texts from the memo file beside the table.
#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>

#include "dbase/ByteOrder.h"
#include "dbase/QzDBF.h"
#include "util/QzIUtils.h"

namespace ostrane {

namespace {

constexpr std::size_t kMemoHeaderSize = 512;
constexpr std::int64_t kDefaultBlockSize = 512;
constexpr std::size_t kBlockHeaderSize = 8;
// A dBase IV block header that counts its own 8 bytes in the length.
constexpr std::array<std::uint8_t, 4> kCountingMarker = {0xFF, 0xFF, 0x08, 0x00};

bool NamesFoxProMemo(TDBFVersion version) {
    switch (version) {
    case FoxPro:
    case FoxProMemo:
    case VFP3:
    case VFP3AutoIncrement:
    case VFP3Binary:
    case FoxPro2: return true;
    default: return false;
    }
}

// Cuts a terminated text before its first 0x1A 0x1A, else before its first
// 0x1A 0x00 0x00; false when it holds neither.
bool CutAtTerminator(std::string_view chunk, std::size_t& cut) {
    cut = chunk.find(std::string_view("\x1A\x1A", 2));
    if (cut == std::string_view::npos) cut = chunk.find(std::string_view("\x1A\0\0", 3));
    return cut != std::string_view::npos;
}

// Block by block until a terminator or the end of the file.  The terminator
// is looked for in the text read so far, so a pair split by a block boundary
// ends the text too; the zero fill of a short last block takes part in the
// search but not in the text.  A 0x1A as the last byte of a block ends the
// text as well (the next block starts another text), unless the text holds a
// NUL byte: binary data such as a picture runs on.
void ReadTerminatedText(FileStream& memo, std::int64_t blockSize, std::string& text) {
    std::string chunk(std::size_t(blockSize), '\0');
    bool binary = false;
    while (memo.Position() < memo.Size()) {
        std::fill(chunk.begin(), chunk.end(), '\0');
        const std::size_t got = memo.Read(chunk.data(), chunk.size());
        const std::size_t before = text.size();
        text.append(chunk);
        const std::size_t from = before >= 2 ? before - 2 : 0;
        std::size_t cut = 0;
        if (CutAtTerminator(std::string_view(text).substr(from), cut)) {
            text.resize(from + cut);
            return;
        }
        text.resize(before + got);
        if (got == 0) return;
        binary = binary || text.find('\0', before) != std::string::npos;
        if (got == chunk.size() && !binary && text.back() == '\x1A') {
            text.pop_back();
            return;
        }
    }
}

// The text length from the 8-byte block header: big-endian in the FoxPro
// layout; in the dBase layout little-endian, counting the header itself
// after the dBase IV marker.
std::int64_t BlockTextLength(FileStream& memo, bool foxPro) {
    std::array<std::uint8_t, kBlockHeaderSize> header{};
    memo.Read(header.data(), header.size());
    const std::int64_t length =
        std::int32_t(foxPro ? bytes::Be32(header.data() + 4) : bytes::Le32(header.data() + 4));
    const bool counting =
        !foxPro && std::equal(kCountingMarker.begin(), kCountingMarker.end(), header.begin());
    return counting ? length - std::int64_t(kBlockHeaderSize) : length;
}

// A length-prefixed text, read in chunks of the block size (of the length
// when that is smaller).  A length the file cannot hold reads what it holds
// (the result is then false); a negative one reads nothing.
bool ReadLengthText(FileStream& memo, std::int64_t blockSize, bool foxPro, std::string& text) {
    const std::int64_t length = BlockTextLength(memo, foxPro);
    const std::int64_t available = memo.Size() - memo.Position();
    const bool whole = length <= available;
    std::int64_t remaining = std::min(length, available);
    if (remaining <= 0) return whole;
    const std::int64_t chunkSize = std::min(length, blockSize);
    text.reserve(std::size_t(remaining));
    while (remaining > 0) {
        const auto chunk = std::size_t(NextMemoChunk(remaining, chunkSize));
        const std::size_t before = text.size();
        text.resize(before + chunk);
        const std::size_t got = memo.Read(text.data() + before, chunk);
        text.resize(before + got);
        if (got < chunk) return false;
        remaining -= std::int64_t(chunk);
    }
    return whole;
}

// ".fpt" for the FoxPro kinds and the Visual FoxPro family, else by DBFMemoType.
std::string_view MemoExtension(TDBFVersion version, std::uint8_t signature, TDBFMemoType memoType) {
    if (NamesFoxProMemo(version) || IsVisualFoxProFamily(signature) || memoType == dmFPT)
        return ".fpt";
    return memoType == dmSMT ? ".smt" : ".dbt";
}

} // namespace

std::string WithoutExtension(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    const std::size_t dot = path.find_last_of('.');
    const bool hasExtension =
        dot != std::string::npos && (slash == std::string::npos || dot > slash);
    return hasExtension ? path.substr(0, dot) : path;
}

std::string FindFileIgnoringCase(const std::string& path) {
    if (FileExists(path)) return path;
    const std::filesystem::path wanted(path);
    const std::string name = wanted.filename().string();
    const std::filesystem::path folder =
        wanted.has_parent_path() ? wanted.parent_path() : std::filesystem::path(".");
    std::string best;
    std::error_code error;
    for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end;
         it.increment(error)) {
        const std::string candidate = it->path().filename().string();
        if (!EqualsIgnoreCaseAscii(candidate, name)) continue;
        const std::string full = (folder / candidate).string();
        if (FileExists(full) && (best.empty() || full < best)) best = full;
    }
    return best;
}

// Every ".fpt" memo file is in the FoxPro layout.
bool TDBF::MemoIsFoxProLayout() {
    return MemoExtension(DBFVersion, Table().Header.Signature, DBFMemoType) == ".fpt";
}

// dBase III memos end at a terminator; all others, and every FoxPro-layout
// memo, carry their length.
bool TDBF::MemoIsTerminatedForm() {
    return (DBFVersion == dBase3 || DBFVersion == dBase3Memo) && !MemoIsFoxProLayout();
}

bool TDBF::OpenMemo() {
    if (memoLookupFailed_) return false;
    const TDBFHeader& header = Table().Header;
    const std::string base = WithoutExtension(FileName);
    std::string path = FindFileIgnoringCase(
        base + std::string(MemoExtension(DBFVersion, header.Signature, DBFMemoType)));
    if (path.empty() && DBFVersion == HyperSix) path = FindFileIgnoringCase(base);
    if (path.empty()) {
        // Looked for once per parse: a file that is missing now stays missing.
        memoLookupFailed_ = true;
        memoFileMissing_ = true;
        return false;
    }
    memoStream_ = std::make_unique<FileStream>(path, FileStream::Mode::OpenRead);
    TQzDBFTable& table = Table();
    if (MemoIsFoxProLayout()) {
        table.FPTHeader.fill(0);
        memoStream_->Read(table.FPTHeader.data(), kMemoHeaderSize);
        bytes::PutLe32(table.FPTHeader.data(), bytes::Be32(table.FPTHeader.data()));
        bytes::PutLe16(table.FPTHeader.data() + 6, bytes::Be16(table.FPTHeader.data() + 6));
    } else {
        table.DBTHeader.fill(0);
        memoStream_->Read(table.DBTHeader.data(), kMemoHeaderSize);
    }
    return true;
}

void TDBF::CloseMemo() {
    memoStream_.reset();
}

std::int64_t TDBF::MemoBlockSize() {
    const TQzDBFTable& table = Table();
    std::int64_t size = MemoIsFoxProLayout() ? bytes::Le16(table.FPTHeader.data() + 6)
                                             : bytes::Le16(table.DBTHeader.data() + 20);
    if (size == 0) size = kDefaultBlockSize;
    if (DBFVersion == dBase3Memo && (size & 0xFF) != 0) size = kDefaultBlockSize;
    return size;
}

std::string TDBF::ReadBlob(std::int64_t blockNo, std::int32_t extra) {
    std::string text = TSpreadSheetFile::ReadBlob(blockNo, extra);
    if (blockNo < 1) return text;
    if (!memoStream_ && !OpenMemo()) return text;
    const std::int64_t blockSize = MemoBlockSize();
    const std::int64_t start = blockNo * blockSize;
    if (start >= memoStream_->Size()) {
        ++memoTextsCut_;
        return text;
    }
    memoStream_->Seek(start, SEEK_SET);
    if (MemoIsTerminatedForm())
        ReadTerminatedText(*memoStream_, blockSize, text);
    else if (!ReadLengthText(*memoStream_, blockSize, MemoIsFoxProLayout(), text))
        ++memoTextsCut_;
    return text;
}

} // namespace ostrane
