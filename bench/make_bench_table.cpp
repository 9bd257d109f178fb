// Writes the deterministic benchmark table: a dBase III table of customers
// (ID N(10,0), NAME C(30), CITY C(20), AMOUNT N(12,2), BORN D(8), ACTIVE L(1)),
// about 1% of the records deleted, 1% with a blank date, some logicals "?".
// With --memo the table also has NOTE M(10) and a .dbt memo file beside it.
//
//   make_bench_table <table.dbf> [records] [--memo]
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "support/TableBuilder.h"

namespace {

struct Field {
    const char* Name;
    char Type;
    std::uint8_t Length;
    std::uint8_t Decimals;
};

constexpr std::array<Field, 6> BaseFields{{
    {"ID", 'N', 10, 0},
    {"NAME", 'C', 30, 0},
    {"CITY", 'C', 20, 0},
    {"AMOUNT", 'N', 12, 2},
    {"BORN", 'D', 8, 0},
    {"ACTIVE", 'L', 1, 0},
}};
constexpr Field NoteField{"NOTE", 'M', 10, 0};

constexpr std::array<std::string_view, 16> FirstNames{
    "Anna", "Bjorn", "Carla", "David", "Eva",   "Frode", "Greta", "Hans",
    "Ines", "Jonas", "Karin", "Lars",  "Maria", "Nils",  "Olga",  "Per"};
constexpr std::array<std::string_view, 16> LastNames{
    "Andersen", "Berg",     "Christensen", "Dahl",   "Eriksen", "Fjeld",  "Gundersen", "Hansen",
    "Iversen",  "Johansen", "Karlsen",     "Larsen", "Moen",    "Nilsen", "Olsen",     "Pedersen"};
constexpr std::array<std::string_view, 12> Cities{
    "Oslo",         "Bergen",      "Trondheim", "Stavanger", "Tromso", "Drammen",
    "Kristiansand", "Fredrikstad", "Bodo",      "Alesund",   "Hamar",  "Molde"};

// splitmix64: small, fast and the same on every machine.
class Random {
public:
    explicit Random(std::uint64_t seed) : state_(seed) {}
    std::uint64_t Next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    std::uint32_t Below(std::uint32_t n) { return std::uint32_t(Next() % n); }

private:
    std::uint64_t state_;
};

class Output {
public:
    explicit Output(const std::string& path) : file_(std::fopen(path.c_str(), "wb")), path_(path) {
        if (!file_) Fail("cannot create");
        std::setvbuf(file_, nullptr, _IOFBF, 1 << 20);
    }
    ~Output() {
        if (file_ && std::fclose(file_) != 0) Fail("cannot write");
    }
    Output(const Output&) = delete;
    Output& operator=(const Output&) = delete;
    void Write(const void* data, std::size_t size) {
        if (std::fwrite(data, 1, size, file_) != size) Fail("cannot write");
    }
    void Seek(long position) {
        if (std::fseek(file_, position, SEEK_SET) != 0) Fail("cannot seek");
    }

private:
    [[noreturn]] void Fail(const char* what) {
        std::fprintf(stderr, "make_bench_table: %s %s\n", what, path_.c_str());
        std::exit(1);
    }
    std::FILE* file_;
    std::string path_;
};

void PutLE(unsigned char* at, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) at[i] = (unsigned char)(value >> (8 * i));
}

void WriteHeader(Output& out, const std::vector<Field>& fields, std::uint32_t records, bool memo) {
    ostrane::test::TableBuilder table(memo ? 0x83 : 0x03);
    // The descriptors store no field positions, as dBase III leaves them.
    for (const Field& f : fields) table.Field(f.Name, f.Type, f.Length, f.Decimals).StoredOffset(0);
    const std::string header = table.RecordCount(std::int32_t(records)).HeaderBytes();
    out.Write(header.data(), header.size());
}

// Text left-aligned in a blank-filled field.
void PutText(char* at, std::size_t width, std::string_view text) {
    std::memset(at, ' ', width);
    std::memcpy(at, text.data(), std::min(width, text.size()));
}

// A whole number right-aligned in a blank-filled field.
void PutNumber(char* at, std::size_t width, std::uint64_t value, int decimals, bool negative) {
    std::memset(at, ' ', width);
    std::size_t p = width;
    int digits = 0;
    do {
        if (decimals > 0 && digits == decimals) at[--p] = '.';
        at[--p] = char('0' + value % 10);
        value /= 10;
        ++digits;
    } while (value != 0 || digits <= decimals);
    if (negative) at[--p] = '-';
}

void PutDigits(char* at, int width, int value) {
    for (int i = width - 1; i >= 0; --i, value /= 10) at[i] = char('0' + value % 10);
}

// One memo text in a dBase III memo file: the text, 0x1A 0x1A, blocks of 512.
class MemoWriter {
public:
    explicit MemoWriter(const std::string& path) : out_(path) {
        std::array<unsigned char, BlockSize> header{};
        out_.Write(header.data(), header.size());
    }
    ~MemoWriter() {
        std::array<unsigned char, 4> next{};
        PutLE(next.data(), nextBlock_, 4);
        out_.Seek(0);
        out_.Write(next.data(), next.size());
    }
    std::uint32_t Add(std::string_view text) {
        const std::uint32_t block = nextBlock_;
        const std::size_t used = text.size() + 2;
        const std::size_t blocks = (used + BlockSize - 1) / BlockSize;
        std::vector<unsigned char> data(blocks * BlockSize, 0);
        std::memcpy(data.data(), text.data(), text.size());
        data[text.size()] = 0x1A;
        data[text.size() + 1] = 0x1A;
        out_.Write(data.data(), data.size());
        nextBlock_ += std::uint32_t(blocks);
        return block;
    }

private:
    static constexpr std::size_t BlockSize = 512;
    Output out_;
    std::uint32_t nextBlock_ = 1;
};

std::string MemoName(const std::string& table) {
    const std::size_t dot = table.find_last_of('.');
    const std::size_t slash = table.find_last_of('/');
    const bool hasExtension =
        dot != std::string::npos && (slash == std::string::npos || dot > slash);
    return (hasExtension ? table.substr(0, dot) : table) + ".dbt";
}

void WriteTable(const std::string& path, std::uint32_t records, bool memo) {
    std::vector<Field> fields(BaseFields.begin(), BaseFields.end());
    if (memo) fields.push_back(NoteField);
    std::size_t recordLength = 1;
    for (const Field& f : fields) recordLength += f.Length;

    Output out(path);
    WriteHeader(out, fields, records, memo);
    std::unique_ptr<MemoWriter> memoFile;
    if (memo) memoFile = std::make_unique<MemoWriter>(MemoName(path));

    Random random(20240601);
    std::vector<char> record(recordLength);
    std::string name;
    std::string note;
    for (std::uint32_t i = 0; i < records; ++i) {
        char* r = record.data();
        const std::uint64_t bits = random.Next();
        r[0] = bits % 100 == 0 ? '*' : ' ';
        char* p = r + 1;
        PutNumber(p, 10, i + 1, 0, false);
        p += 10;
        name.assign(FirstNames[(bits >> 8) % FirstNames.size()]);
        name += ' ';
        name += LastNames[(bits >> 12) % LastNames.size()];
        PutText(p, 30, name);
        p += 30;
        PutText(p, 20, Cities[(bits >> 16) % Cities.size()]);
        p += 20;
        PutNumber(p, 12, (bits >> 20) % 100000000, 2, (bits >> 48) % 10 == 0);
        p += 12;
        if ((bits >> 52) % 100 == 0) {
            std::memset(p, ' ', 8);
        } else {
            const std::uint32_t day = random.Below(28 * 12 * 80);
            PutDigits(p, 4, 1930 + int(day / (28 * 12)));
            PutDigits(p + 4, 2, 1 + int(day / 28 % 12));
            PutDigits(p + 6, 2, 1 + int(day % 28));
        }
        p += 8;
        const unsigned logical = (bits >> 40) % 20;
        *p++ = logical == 0 ? '?' : logical < 11 ? 'T' : 'F';
        if (memo) {
            if (i % 16 == 0) {
                note.assign("Customer since ");
                note += std::to_string(1990 + i % 30);
                note += ".\r\nPrefers contact by ";
                note += (bits >> 60) % 2 == 0 ? "mail." : "phone.";
                PutNumber(p, 10, memoFile->Add(note), 0, false);
            } else {
                std::memset(p, ' ', 10);
            }
            p += 10;
        }
        out.Write(record.data(), record.size());
    }
    const unsigned char end = 0x1A;
    out.Write(&end, 1);
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    bool memo = false;
    std::vector<std::string> positional;
    for (const std::string& a : args) {
        if (a == "--memo") {
            memo = true;
        } else {
            positional.push_back(a);
        }
    }
    if (positional.empty() || positional.size() > 2) {
        std::fprintf(stderr, "usage: make_bench_table <table.dbf> [records] [--memo]\n");
        return 2;
    }
    const std::uint32_t records =
        positional.size() == 2 ? std::uint32_t(std::strtoul(positional[1].c_str(), nullptr, 10))
                               : 1000000u;
    WriteTable(positional[0], records, memo);
    return 0;
}
