// TDBF: re-encoding of texts by the table's language driver, type names and
// the name-based services of the component.
#include <algorithm>
#include <array>

#include "dbase/QzDBF.h"
#include "platform/CodePage.h"
#include "platform/Exceptions.h"
#include "platform/FileStream.h"
#include "util/QzIUtils.h"

namespace ostrane {

namespace {

// A code page number that stands for the OEM conversion.
constexpr std::uint16_t kOemRow = 1;

struct DriverRow {
    std::uint16_t CodePage; // kOemRow for the OEM conversion
    std::string_view Drivers;
};

// Language driver bytes and the conversion each asks for.  Bytes in no row
// (0 and 3 among them) leave texts as stored.
constexpr DriverRow kDriverRows[] = {
    {kOemRow, "\x01\x09\x0B\x0D\x0F\x11\x15\x18\x19\x1B"},
    {850, "\x02\x0A\x0E\x10\x12\x14\x16\x1A\x1D\x25\x37"},
    {620, "\x69"},
    {737, "\x6A\x86"},
    {852, "\x1F\x22\x23\x40\x64\x87"},
    {857, "\x6B\x88"},
    {860, "\x24"},
    {861, "\x67"},
    {863, "\x1C\x6C"},
    {865, "\x08\x17\x66"},
    {866, "\x26\x65"},
    {874, "\x50\x7C"},
    {895, "\x68"},
    {932, "\x13\x7B"},
    {936, "\x4D\x7A"},
    {949, "\x4E\x79"},
    {950, "\x4F\x78"},
    {1250, "\xC8"},
    {1251, "\xC9"},
    {1252, "\x58\x59"},
    {1253, "\xCB"},
    {1254, "\xCA"},
    {1257, "\xCC"},
    {10000, "\x04"},
    {10006, "\x98"},
    {10007, "\x96"},
    {10029, "\x97"},
};

constexpr std::array<std::uint16_t, 256> MakeDriverTable() {
    std::array<std::uint16_t, 256> table{};
    for (const DriverRow& row : kDriverRows)
        for (char driver : row.Drivers) table[static_cast<unsigned char>(driver)] = row.CodePage;
    return table;
}

// Code page of each language driver byte: 0 none, kOemRow, or a code page.
constexpr std::array<std::uint16_t, 256> kDriverCodePages = MakeDriverTable();

struct TypeName {
    char Type;
    std::string_view Name;
};

constexpr TypeName kTypeNames[] = {
    {'C', "String"},        {'D', "Date"},       {'T', "Time"},        {'F', "Number"},
    {'N', "Number"},        {'Y', "Currency"},   {'L', "Logical"},     {'M', "MEMO"},
    {'B', "BLOB"},          {'G', "OLE Object"}, {'P', "Graphic"},     {'0', "Bytes"},
    {'+', "AutoInc"},       {'I', "AutoInc"},    {'O', "Float"},       {'@', "TimeStamp"},
    {'2', "Short Integer"}, {'4', "Integer"},    {'8', "Double IEEE"},
};

constexpr std::uint8_t kWindowsAnsiDriver = 0x03;
constexpr std::uint16_t kWindowsAnsiCodePage = 1252;
constexpr std::uint16_t kUtf8CodePage = 65001;
// A .cpg file holds one short line; anything longer is no code page name.
constexpr std::size_t kMaxCpgSize = 64;

// The code page named by the .cpg file beside a table; 0 when there is none
// or this system cannot convert from it.
std::uint16_t CodePageNamedBesideTable(const std::string& tableName) {
    if (tableName.empty()) return 0;
    const std::string path = FindFileIgnoringCase(WithoutExtension(tableName) + ".cpg");
    if (path.empty()) return 0;
    char bytes[kMaxCpgSize + 1] = {};
    std::size_t got = 0;
    try {
        FileStream file(path, FileStream::Mode::OpenRead);
        got = file.Read(bytes, sizeof bytes);
    } catch (const Exception&) {
        return 0; // an unreadable .cpg names nothing
    }
    std::string_view text(bytes, got);
    if (got > kMaxCpgSize) return 0;
    text = text.substr(0, text.find_first_of("\r\n"));
    std::uint16_t codePage = 0;
    return CodePageFromName(text, codePage) ? codePage : 0;
}

// Length of the text up to its first NUL, and whether that part is all ASCII.
std::size_t PrefixBeforeNul(std::string_view text, bool& ascii) {
    ascii = true;
    std::size_t i = 0;
    for (; i < text.size() && text[i] != '\0'; ++i)
        if (static_cast<unsigned char>(text[i]) >= 0x80) ascii = false;
    return i;
}

} // namespace

std::u16string CodePageToWide(std::string_view text, std::uint16_t codePage) {
    std::u16string wide;
    CodePageToUtf16(text, codePage, wide);
    return wide;
}

TextConversion TextConversion::ForLanguageDriver(std::uint8_t languageDriver) {
    // "Windows ANSI": the code page of the Windows system that wrote the
    // table, in practice Windows-1252.
    if (languageDriver == kWindowsAnsiDriver) {
        TextConversion conversion = ForCodePage(kWindowsAnsiCodePage);
        conversion.kind_ = Kind::AnsiOrUtf8;
        return conversion;
    }
    const std::uint16_t codePage = kDriverCodePages[languageDriver];
    TextConversion conversion;
    if (codePage == kOemRow) conversion.kind_ = Kind::Oem;
    return codePage == 0 || codePage == kOemRow ? conversion : ForCodePage(codePage);
}

TextConversion TextConversion::ForCodePage(std::uint16_t codePage) {
    TextConversion conversion;
    conversion.kind_ = Kind::CodePage;
    conversion.codePage_ = codePage;
    conversion.available_ = IsCodePageAvailable(codePage);
    return conversion;
}

// ASCII stays ASCII in every code page of the table, so a text without high
// bytes needs no conversion: the OEM row keeps it whole, a code-page row cuts
// it at its first NUL.
std::string_view TextConversion::Apply(std::string_view text, std::string& scratch) const {
    if (kind_ == Kind::None) return text;
    bool ascii = true;
    const std::size_t prefix = PrefixBeforeNul(text, ascii);
    if (kind_ == Kind::Oem) {
        if (ascii) return text;
        scratch = OemToAnsi(text);
        return scratch;
    }
    if (!available_) return {};
    if (ascii) return text.substr(0, prefix);
    const std::string_view stored = text.substr(0, prefix);
    const bool utf8 = kind_ == Kind::AnsiOrUtf8 && IsValidUtf8(stored);
    CodePageToAnsi(stored, utf8 ? kUtf8CodePage : codePage_, scratch);
    return scratch;
}

// The user's code page wins, then a .cpg file beside the table (the GIS
// convention: one line naming the code page), then the language driver.
void TDBF::ChooseTextConversion(std::uint8_t languageDriver) {
    cpgCodePage_ = CodePageNamedBesideTable(FileName);
    if (CodePage != 0)
        conversion_ = TextConversion::ForCodePage(CodePage);
    else if (cpgCodePage_ != 0)
        conversion_ = TextConversion::ForCodePage(cpgCodePage_);
    else
        conversion_ = TextConversion::ForLanguageDriver(languageDriver);
}

std::string TDBF::ConvertText(std::string_view text) {
    std::string scratch;
    return std::string(conversion_.Apply(text, scratch));
}

std::string TDBF::GetFieldTypeName(char fieldType) {
    const auto* found =
        std::find_if(std::begin(kTypeNames), std::end(kTypeNames),
                     [fieldType](const TypeName& t) { return t.Type == fieldType; });
    return std::string(found == std::end(kTypeNames) ? "<unknown>" : found->Name);
}

std::int32_t TDBF::GetColumnIndex(const std::string& name) {
    const std::int32_t fallback = TSpreadSheetFile::GetColumnIndex(name);
    const std::string_view key = std::string_view(name).substr(0, 10);
    const auto& fields = Table().Fields;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const std::string_view fieldName = fields[i].Name;
        if (EqualsIgnoreCaseAscii(fieldName.substr(0, fieldName.find('\0')), key))
            return std::int32_t(i);
    }
    return fallback;
}

void TDBF::GetColumnNames(TStringList& list, const std::string& names) {
    TSpreadSheetFile::GetColumnNames(list, names);
    const auto& fields = Table().Fields;
    for (std::size_t i = 0; i < fields.size(); ++i)
        list.push_back({fields[i].Name, std::int32_t(i)});
}

} // namespace ostrane
