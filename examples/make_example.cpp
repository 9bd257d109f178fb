// Writes the example table customers.dbf with its memo file customers.dbt
// (dBase III with memo) into the given folder.
//
//   make_example <folder>
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "support/TableBuilder.h"

namespace {

struct Field {
    const char* Name;
    char Type;
    std::uint8_t Length;
    std::uint8_t Decimals;
};

const std::vector<Field> Fields{
    {"ID", 'N', 4, 0},    {"NAME", 'C', 20, 0},  {"CITY", 'C', 12, 0},  {"BALANCE", 'N', 9, 2},
    {"SINCE", 'D', 8, 0}, {"ACTIVE", 'L', 1, 0}, {"NOTES", 'M', 10, 0},
};

struct Customer {
    bool Deleted;
    const char* Id;
    const char* Name;
    const char* City;
    const char* Balance; // as stored, right-aligned by the writer
    const char* Since;   // YYYYMMDD or blank
    char Active;
    const char* Notes; // empty: no memo
};

const std::vector<Customer> Customers{
    {false, "1", "Astrid Berg", "Oslo", "1250.00", "20190314", 'T', "Pays on time."},
    {false, "2", "Bjorn Dahl", "Bergen", "-75.50", "20200101", 'F', ""},
    {false, "3", "Carla O'Neil", "Trondheim", "0.00", "20211130", 'T',
     "Moved from Dublin.\r\nPrefers e-mail."},
    {false, "4", "David Hansen", "Oslo", "98765.43", "20150707", 'T', ""},
    {true, "5", "Eva Lund", "Tromso", "310.00", "20180220", 'F', "Closed the account."},
    {false, "6", "Frode Moen", "Stavanger", "42.10", "        ", '?', ""},
    {false, "7", "Greta Nilsen", "Bodo", "5000.00", "20221009", 'T', "Ask for \"Greta\"."},
    {false, "8", "Hans Olsen", "Molde", "17.25", "20170512", 'F', ""},
    {false, "9", "Ines Karlsen", "Hamar", "880.80", "20230301", 'T', "VIP since 2023."},
    {false, "10", "Jonas Eriksen", "Oslo", "-1200.00", "20160918", 'F', ""},
    {false, "11", "Karin Larsen", "Alesund", "64.00", "20240115", 'T', "New customer."},
    {false, "12", "Lars Pedersen", "Drammen", "3.99", "20121224", ' ', ""},
};

constexpr std::size_t BlockSize = 512;

void Put(std::string& record, std::string_view text, std::size_t width, bool right) {
    const std::size_t n = std::min(text.size(), width);
    if (right) record.append(width - n, ' ');
    record.append(text.substr(0, n));
    if (!right) record.append(width - n, ' ');
}

// Memo texts as dBase III stores them: the text, 0x1A 0x1A, whole blocks.
class Memo {
public:
    std::uint32_t Add(std::string_view text) {
        const std::uint32_t block = next_;
        builder_.TerminatedBlock(block, text);
        next_ += std::uint32_t((text.size() + 2 + BlockSize - 1) / BlockSize);
        return block;
    }
    std::string Bytes() const { return builder_.Bytes(); }

private:
    std::uint32_t next_ = 1;
    ostrane::test::MemoBuilder builder_ = std::move(
        ostrane::test::MemoBuilder(ostrane::test::MemoBuilder::Layout::DBase, 0).PadLastBlock());
};

bool WriteFile(const std::string& path, const std::string& bytes) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_example <folder>\n");
        return 2;
    }
    const std::string folder = argv[1];
    ostrane::test::TableBuilder table(0x83); // dBase III with memo
    table.LastUpdate(2024, 6, 1);
    // The descriptors store no field positions, as dBase III leaves them.
    for (const Field& f : Fields) table.Field(f.Name, f.Type, f.Length, f.Decimals).StoredOffset(0);

    Memo memo;
    for (const Customer& c : Customers) {
        std::string record(1, c.Deleted ? '*' : ' ');
        Put(record, c.Id, 4, true);
        Put(record, c.Name, 20, false);
        Put(record, c.City, 12, false);
        Put(record, c.Balance, 9, true);
        Put(record, c.Since, 8, false);
        record += c.Active;
        const std::string block = *c.Notes ? std::to_string(memo.Add(c.Notes)) : "";
        Put(record, block, 10, true);
        table.RawRecord(record);
    }
    for (const auto& [name, bytes] : {std::pair{folder + "/customers.dbf", table.Bytes()},
                                      std::pair{folder + "/customers.dbt", memo.Bytes()}}) {
        if (!WriteFile(name, bytes)) {
            std::fprintf(stderr, "make_example: cannot write %s\n", name.c_str());
            return 1;
        }
    }
    return 0;
}
