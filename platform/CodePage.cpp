// Code-page conversion between the tables' code pages and the output ("ANSI")
// character set, which is the LC_CTYPE locale's set, UTF-8 for the C and
// POSIX locales; the OEM set is code page 437.  Single-byte source pages become 256-entry tables
// (byte -> code point -> ANSI bytes) built once on first use; multi-byte pages keep one iconv
// descriptor that is reset for each text.  The ANSI set itself is encoded directly when it is
// UTF-8, through a reverse table when it is a single-byte set, and through iconv otherwise.
#include "platform/CodePage.h"
#include "platform/AsciiCase.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <iconv.h>
#include <langinfo.h>
#include <locale.h>
#include <memory>
#include <unordered_map>
#include <vector>
#include <wctype.h>

namespace ostrane {

namespace {

constexpr std::uint32_t kUndefined = 0xFFFFFFFFu;
constexpr std::uint32_t kIncomplete = 0xFFFFFFFEu;
const iconv_t kNoIconv = reinterpret_cast<iconv_t>(-1);

// Upper-cased name without "-" and "_" for comparisons ("utf8" == "UTF-8").
std::string CanonicalName(std::string_view name) {
    std::string result;
    for (char c : name) {
        if (c != '-' && c != '_') result.push_back(UpperAscii(c));
    }
    return result;
}

bool IsUtf8Name(std::string_view name) {
    return CanonicalName(name) == "UTF8";
}

bool IsAsciiName(std::string_view name) {
    std::string n = CanonicalName(name);
    return n.empty() || n == "ANSIX3.41968" || n == "ASCII" || n == "USASCII" || n == "646";
}

// Windows 125x pages, whose undefined bytes 0x80-0x9F decode to U+0080..U+009F.
bool Is125xName(std::string_view name) {
    std::string n = CanonicalName(name);
    if (n.rfind("WINDOWS", 0) == 0) n = "CP" + n.substr(7);
    return n.size() == 6 && n.rfind("CP125", 0) == 0 && n[5] >= '0' && n[5] <= '8';
}

int EncodeUtf8(std::uint32_t cp, char* out) {
    if (cp < 0x80) {
        out[0] = static_cast<char>(cp);
        return 1;
    }
    if (cp < 0x800) {
        out[0] = static_cast<char>(0xC0 | (cp >> 6));
        out[1] = static_cast<char>(0x80 | (cp & 0x3F));
        return 2;
    }
    if ((cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF) {
        out[0] = '?';
        return 1;
    }
    if (cp < 0x10000) {
        out[0] = static_cast<char>(0xE0 | (cp >> 12));
        out[1] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out[2] = static_cast<char>(0x80 | (cp & 0x3F));
        return 3;
    }
    out[0] = static_cast<char>(0xF0 | (cp >> 18));
    out[1] = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out[2] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out[3] = static_cast<char>(0x80 | (cp & 0x3F));
    return 4;
}

std::uint32_t ReadLe32(const char* p) {
    const auto* u = reinterpret_cast<const unsigned char*>(p);
    return static_cast<std::uint32_t>(u[0]) | static_cast<std::uint32_t>(u[1]) << 8 |
           static_cast<std::uint32_t>(u[2]) << 16 | static_cast<std::uint32_t>(u[3]) << 24;
}

// Decodes a single byte with a descriptor to UTF-32LE: the code point,
// kUndefined when the byte has no character, kIncomplete when it starts a
// multi-byte sequence.
std::uint32_t DecodeOneByte(iconv_t cd, unsigned char byte) {
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char in[1] = {static_cast<char>(byte)};
    char out[16];
    char* inPtr = in;
    size_t inLeft = 1;
    char* outPtr = out;
    size_t outLeft = sizeof out;
    size_t r = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
    if (r == static_cast<size_t>(-1)) return errno == EINVAL ? kIncomplete : kUndefined;
    iconv(cd, nullptr, nullptr, &outPtr, &outLeft); // stateful pages (1255, 1258) flush here
    if (outPtr - out != 4) return kUndefined;       // nothing, or more than one character
    return ReadLe32(out);
}

// ---------------------------------------------------------------------------
// The ANSI set.

struct AnsiState {
    std::string charset = "UTF-8";
    unsigned generation = 1; // bumped when the charset changes
    bool prepared = false;
    enum class Mode { Utf8, SingleByte, Iconv } mode = Mode::Utf8;
    std::array<std::uint32_t, 256> decode{};                  // SingleByte: byte -> code point
    std::unordered_map<std::uint32_t, unsigned char> reverse; // SingleByte: code point -> byte
    bool patch125x = false;
    iconv_t encoder = kNoIconv; // Iconv: UTF-32LE -> charset
    bool lettersBuilt = false;
    std::array<bool, 256> letters{};

    void Reset() {
        if (encoder != kNoIconv) iconv_close(encoder);
        encoder = kNoIconv;
        prepared = false;
        lettersBuilt = false;
        reverse.clear();
        ++generation;
    }

    void Prepare() {
        if (prepared) return;
        prepared = true;
        mode = Mode::Utf8;
        if (IsUtf8Name(charset)) return;
        iconv_t cd = iconv_open("UTF-32LE", charset.c_str());
        if (cd == kNoIconv) {
            charset = "UTF-8";
            return;
        }
        bool multiByte = false;
        for (int b = 0; b < 256; ++b) {
            std::uint32_t cp = b == 0 ? 0 : DecodeOneByte(cd, static_cast<unsigned char>(b));
            if (cp == kIncomplete) multiByte = true;
            decode[b] = cp;
        }
        iconv_close(cd);
        if (multiByte) {
            encoder = iconv_open(charset.c_str(), "UTF-32LE");
            if (encoder == kNoIconv) {
                charset = "UTF-8";
                return;
            }
            mode = Mode::Iconv;
            return;
        }
        mode = Mode::SingleByte;
        patch125x = Is125xName(charset);
        for (int b = 255; b >= 0; --b) { // the lowest byte wins
            if (decode[b] != kUndefined) reverse[decode[b]] = static_cast<unsigned char>(b);
        }
    }

    // Writes the ANSI bytes of a code point (at most 8); "?" when the set
    // lacks it.
    int Encode(std::uint32_t cp, char* out) {
        switch (mode) {
        case Mode::Utf8: return EncodeUtf8(cp, out);
        case Mode::SingleByte: {
            if (cp < 0x80 && decode[cp] == cp) {
                out[0] = static_cast<char>(cp);
                return 1;
            }
            auto it = reverse.find(cp);
            if (it != reverse.end()) {
                out[0] = static_cast<char>(it->second);
                return 1;
            }
            out[0] = patch125x && cp >= 0x80 && cp <= 0x9F ? static_cast<char>(cp) : '?';
            return 1;
        }
        case Mode::Iconv: {
            if (cp < 0x80) {
                out[0] = static_cast<char>(cp);
                return 1;
            }
            iconv(encoder, nullptr, nullptr, nullptr, nullptr);
            char in[4] = {static_cast<char>(cp & 0xFF), static_cast<char>((cp >> 8) & 0xFF),
                          static_cast<char>((cp >> 16) & 0xFF), static_cast<char>(cp >> 24)};
            char* inPtr = in;
            size_t inLeft = 4;
            char* outPtr = out;
            size_t outLeft = 8;
            if (iconv(encoder, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<size_t>(-1) ||
                iconv(encoder, nullptr, nullptr, &outPtr, &outLeft) == static_cast<size_t>(-1) ||
                outPtr == out) {
                out[0] = '?';
                return 1;
            }
            return static_cast<int>(outPtr - out);
        }
        }
        out[0] = '?';
        return 1;
    }

    bool IsLetter(unsigned char c) {
        if (c < 0x80) return IsAsciiLetter(char(c));
        Prepare();
        if (mode != Mode::SingleByte) return true;
        if (!lettersBuilt) {
            lettersBuilt = true;
            locale_t utf8 = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
            for (int b = 0; b < 256; ++b) {
                std::uint32_t cp = decode[b];
                bool letter = false;
                if (b < 0x80) {
                    letter = IsAsciiLetter(char(b));
                } else if (cp != kUndefined) {
                    if (utf8 != static_cast<locale_t>(nullptr)) {
                        letter = iswalpha_l(static_cast<wint_t>(cp), utf8) != 0;
                    } else { // rough fallback: Latin-1 letters and the alphabets above
                        letter = (cp >= 0xC0 && cp != 0xD7 && cp != 0xF7) || cp == 0xAA ||
                                 cp == 0xB5 || cp == 0xBA;
                    }
                }
                letters[b] = letter;
            }
            if (utf8 != static_cast<locale_t>(nullptr)) freelocale(utf8);
        }
        return letters[c];
    }
};

AnsiState& Ansi() {
    static AnsiState* state = new AnsiState(); // never destroyed: usable at exit
    return *state;
}

// ---------------------------------------------------------------------------
// Source code pages.

struct AnsiEntry {
    unsigned char len = 1;
    char bytes[8] = {'?'};
};

struct SourcePage {
    std::uint16_t codePage = 0;
    bool available = false;
    bool multiByte = false;
    bool sourceAscii = false;                // bytes 0x01-0x7F decode to themselves
    bool asciiIdentity = false;              // ... and the ANSI set writes them unchanged
    std::array<std::uint32_t, 256> decode{}; // single-byte: byte -> code point ('?' patched in)
    iconv_t cd = kNoIconv;                   // multi-byte: page -> UTF-32LE
    unsigned ansiGeneration = 0;
    std::array<AnsiEntry, 256> ansi;
};

// Character sets named by their iconv name (a code page switch or a .cpg
// file may name any) get numbers of their own from this range, which no
// Windows code page uses.
constexpr std::uint16_t kFirstNamedSet = 3000;
constexpr std::size_t kMaxNamedSets = 1000;

std::vector<std::string>& NamedSets() {
    static auto* names = new std::vector<std::string>();
    return *names;
}

// ISO 8859 parts as Windows numbers them: 28591 for part 1 up to 28606.
constexpr std::uint16_t kIso8859Base = 28590;

struct NamedPage {
    std::string_view Name; // canonical: upper case, no "-" or "_"
    std::uint16_t CodePage;
};

constexpr NamedPage kNamedPages[] = {
    {"UTF8", 65001},    {"KOI8R", 20866},  {"KOI8U", 21866},     {"ASCII", 20127},
    {"USASCII", 20127}, {"LATIN1", 28591}, {"GBK", 936},         {"GB2312", 936},
    {"BIG5", 950},      {"SHIFTJIS", 932}, {"SJIS", 932},        {"EUCKR", 949},
    {"GB18030", 54936}, {"EUCJP", 20932},  {"MACINTOSH", 10000}, {"MACROMAN", 10000},
};

bool AllDigits(std::string_view text) {
    return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
}

// The number of a name that stands for a Windows code page; 0 for none.
std::uint16_t WindowsNumberOf(std::string_view name) {
    std::string n = CanonicalName(name);
    for (std::string_view prefix : {"ANSI ", "ANSI", "WINDOWS", "CP", "IBM", "OEM"}) {
        if (n.rfind(prefix, 0) == 0 && AllDigits(std::string_view(n).substr(prefix.size()))) {
            n = n.substr(prefix.size());
            break;
        }
    }
    // ISO-8859-15 and 885915 (as GIS .cpg files write it).
    for (std::string_view prefix : {"ISO8859", "8859"}) {
        if (n.rfind(prefix, 0) == 0 && AllDigits(std::string_view(n).substr(prefix.size()))) {
            const int part = std::stoi(n.substr(prefix.size()));
            return part >= 1 && part <= 16 ? std::uint16_t(kIso8859Base + part) : 0;
        }
    }
    if (AllDigits(n) && n.size() <= 5) {
        const int number = std::stoi(n);
        return number > 0 && number <= 0xFFFF ? std::uint16_t(number) : 0;
    }
    for (const NamedPage& page : kNamedPages)
        if (page.Name == n) return page.CodePage;
    return 0;
}

// The iconv name of a Windows code page, or empty when there is none.
std::string IconvName(std::uint16_t codePage) {
    if (codePage >= kFirstNamedSet && codePage < kFirstNamedSet + NamedSets().size())
        return NamedSets()[codePage - kFirstNamedSet];
    if (codePage > kIso8859Base && codePage <= kIso8859Base + 16)
        return "ISO-8859-" + std::to_string(codePage - kIso8859Base);
    switch (codePage) {
    case 620:   // Mazovia (TIS-620 is Thai)
    case 895:   // Kamenicky
    case 10006: // Mac Greek
        return {};
    case 10000: return "MACINTOSH";
    case 10029: return "MAC-CENTRALEUROPE";
    case 20127: return "ASCII";
    case 20866: return "KOI8-R";
    case 21866: return "KOI8-U";
    case 20932: return "EUC-JP";
    case 54936: return "GB18030";
    case 65001: return "UTF-8";
    default: return "CP" + std::to_string(codePage);
    }
}

void BuildPage(SourcePage& page) {
    std::string name = IconvName(page.codePage);
    if (name.empty()) return;
    iconv_t cd = iconv_open("UTF-32LE", name.c_str());
    if (cd == kNoIconv) return;
    page.available = true;
    bool is125x = page.codePage >= 1250 && page.codePage <= 1258;
    page.sourceAscii = true;
    for (int b = 0; b < 256; ++b) {
        std::uint32_t cp = b == 0 ? 0 : DecodeOneByte(cd, static_cast<unsigned char>(b));
        if (cp == kIncomplete) {
            page.multiByte = true;
            cp = '?';
        }
        if (cp == kUndefined)
            cp = is125x && b >= 0x80 && b <= 0x9F ? static_cast<std::uint32_t>(b) : '?';
        page.decode[b] = cp;
        if (b > 0 && b < 0x80 && cp != static_cast<std::uint32_t>(b)) page.sourceAscii = false;
    }
    if (page.multiByte) {
        page.cd = cd;
    } else {
        iconv_close(cd);
    }
}

SourcePage& GetPage(std::uint16_t codePage) {
    static auto* pages = new std::unordered_map<std::uint16_t, std::unique_ptr<SourcePage>>();
    static SourcePage* last = nullptr;
    if (last != nullptr && last->codePage == codePage) return *last;
    auto& slot = (*pages)[codePage];
    if (!slot) {
        slot = std::make_unique<SourcePage>();
        slot->codePage = codePage;
        BuildPage(*slot);
    }
    last = slot.get();
    return *last;
}

void EnsureAnsiTable(SourcePage& page) {
    AnsiState& ansi = Ansi();
    ansi.Prepare();
    if (page.ansiGeneration == ansi.generation) return;
    page.asciiIdentity = page.sourceAscii;
    for (int b = 0; b < 256; ++b) {
        AnsiEntry& e = page.ansi[b];
        e.len = static_cast<unsigned char>(ansi.Encode(page.decode[b], e.bytes));
        if (b > 0 && b < 0x80 && (e.len != 1 || e.bytes[0] != static_cast<char>(b))) {
            page.asciiIdentity = false;
        }
    }
    page.ansiGeneration = ansi.generation;
}

size_t LengthToNul(std::string_view text) {
    const void* nul = std::memchr(text.data(), 0, text.size());
    return nul == nullptr ? text.size() : static_cast<const char*>(nul) - text.data();
}

// Decodes a text of a multi-byte page, calling emit(code point) for each
// character; invalid or truncated sequences give "?" and skip one byte.
template <class Emit>
void DecodeMultiByte(SourcePage& page, const char* text, size_t size, Emit emit) {
    iconv(page.cd, nullptr, nullptr, nullptr, nullptr);
    char* in = const_cast<char*>(text);
    size_t inLeft = size;
    char outBuf[1024];
    while (inLeft > 0) {
        char* out = outBuf;
        size_t outLeft = sizeof outBuf;
        size_t r = iconv(page.cd, &in, &inLeft, &out, &outLeft);
        int err = errno;
        for (char* p = outBuf; p + 4 <= out; p += 4) emit(ReadLe32(p));
        if (r == static_cast<size_t>(-1) && err != E2BIG) {
            emit('?');
            ++in;
            --inLeft;
            iconv(page.cd, nullptr, nullptr, nullptr, nullptr);
        }
    }
    char* out = outBuf;
    size_t outLeft = sizeof outBuf;
    iconv(page.cd, nullptr, nullptr, &out, &outLeft);
    for (char* p = outBuf; p + 4 <= out; p += 4) emit(ReadLe32(p));
}

// Collects ANSI bytes in a local buffer and appends them in blocks.
class AnsiWriter {
public:
    explicit AnsiWriter(std::string& out) : out_(out) {}
    ~AnsiWriter() { Flush(); }
    char* Reserve() {
        if (fill_ + 8 > sizeof buf_) Flush();
        return buf_ + fill_;
    }
    void Commit(int n) { fill_ += static_cast<size_t>(n); }
    void Flush() {
        out_.append(buf_, fill_);
        fill_ = 0;
    }

private:
    std::string& out_;
    char buf_[1024];
    size_t fill_ = 0;
};

void AppendUtf16(std::u16string& out, std::uint32_t cp) {
    if (cp >= 0x10000 && cp <= 0x10FFFF) {
        cp -= 0x10000;
        out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
        out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else if (cp > 0x10FFFF) {
        out.push_back(u'?');
    } else {
        out.push_back(static_cast<char16_t>(cp));
    }
}

} // namespace

const std::string& AnsiCharset() {
    return Ansi().charset;
}

void SetAnsiCharset(std::string_view iconvName) {
    AnsiState& ansi = Ansi();
    std::string name = IsAsciiName(iconvName) || IsUtf8Name(iconvName) ? std::string("UTF-8")
                                                                       : std::string(iconvName);
    if (name == ansi.charset && ansi.prepared) return;
    ansi.Reset();
    ansi.charset = name;
    ansi.Prepare();
}

void InitAnsiCharsetFromLocale() {
    std::string charset = "UTF-8";
    locale_t loc = newlocale(LC_CTYPE_MASK, "", static_cast<locale_t>(nullptr));
    if (loc != static_cast<locale_t>(nullptr)) {
        const char* codeset = nl_langinfo_l(CODESET, loc);
        if (codeset != nullptr && !IsAsciiName(codeset)) charset = codeset;
        freelocale(loc);
    }
    SetAnsiCharset(charset);
}

bool CodePageToUtf16(std::string_view text, std::uint16_t codePage, std::u16string& result) {
    result.clear();
    SourcePage& page = GetPage(codePage);
    if (!page.available) return false;
    size_t n = LengthToNul(text);
    const char* s = text.data();
    if (page.multiByte) {
        DecodeMultiByte(page, s, n, [&](std::uint32_t cp) { AppendUtf16(result, cp); });
        return true;
    }
    result.reserve(n);
    for (size_t i = 0; i < n; ++i)
        AppendUtf16(result, page.decode[static_cast<unsigned char>(s[i])]);
    return true;
}

bool CodePageToAnsi(std::string_view text, std::uint16_t codePage, std::string& result) {
    result.clear();
    SourcePage& page = GetPage(codePage);
    if (!page.available) return false;
    EnsureAnsiTable(page);
    size_t n = LengthToNul(text);
    const char* s = text.data();
    size_t i = 0;
    if (page.asciiIdentity) {
        while (i < n && static_cast<unsigned char>(s[i]) < 0x80) ++i;
        result.assign(s, i);
        if (i == n) return true;
    }
    AnsiWriter writer(result);
    if (page.multiByte) {
        AnsiState& ansi = Ansi();
        DecodeMultiByte(page, s + i, n - i, [&](std::uint32_t cp) {
            writer.Commit(ansi.Encode(cp, writer.Reserve()));
        });
        return true;
    }
    for (; i < n; ++i) {
        const AnsiEntry& e = page.ansi[static_cast<unsigned char>(s[i])];
        char* p = writer.Reserve();
        std::memcpy(p, e.bytes, sizeof e.bytes);
        writer.Commit(e.len);
    }
    return true;
}

void Utf16ToAnsi(std::u16string_view text, std::string& result) {
    result.clear();
    AnsiState& ansi = Ansi();
    ansi.Prepare();
    AnsiWriter writer(result);
    size_t n = text.size();
    for (size_t i = 0; i < n; ++i) {
        std::uint32_t cp = text[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < n && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            cp = '?';
        }
        writer.Commit(ansi.Encode(cp, writer.Reserve()));
    }
}

void CharsetToAnsi(std::string_view text, const char* charset, std::string& result) {
    result.clear();
    AnsiState& ansi = Ansi();
    ansi.Prepare();
    std::string_view name = charset == nullptr ? std::string_view() : std::string_view(charset);
    if (IsAsciiName(name) || CanonicalName(name) == CanonicalName(ansi.charset)) {
        result.assign(text.data(), text.size());
        return;
    }
    bool ascii = true;
    for (char c : text) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
    if (ascii) {
        result.assign(text.data(), text.size());
        return;
    }
    iconv_t cd = iconv_open("UTF-32LE", charset);
    if (cd == kNoIconv) {
        for (char c : text) result.push_back(static_cast<unsigned char>(c) < 0x80 ? c : '?');
        return;
    }
    SourcePage temp;
    temp.cd = cd;
    AnsiWriter writer(result);
    DecodeMultiByte(temp, text.data(), text.size(),
                    [&](std::uint32_t cp) { writer.Commit(ansi.Encode(cp, writer.Reserve())); });
    writer.Flush();
    iconv_close(cd);
}

bool IsCodePageAvailable(std::uint16_t codePage) {
    return GetPage(codePage).available;
}

bool CodePageFromName(std::string_view name, std::uint16_t& codePage) {
    const std::size_t first = name.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos) return false;
    name = name.substr(first, name.find_last_not_of(" \t\r\n") - first + 1);
    codePage = WindowsNumberOf(name);
    if (codePage != 0) return IsCodePageAvailable(codePage);
    // Any other character set iconv knows.
    std::vector<std::string>& named = NamedSets();
    for (std::size_t i = 0; i < named.size(); ++i) {
        if (CanonicalName(named[i]) == CanonicalName(name)) {
            codePage = std::uint16_t(kFirstNamedSet + i);
            return IsCodePageAvailable(codePage);
        }
    }
    const iconv_t cd = iconv_open("UTF-32LE", std::string(name).c_str());
    if (cd == kNoIconv) return false;
    iconv_close(cd);
    if (named.size() >= kMaxNamedSets) return false;
    named.emplace_back(name);
    codePage = std::uint16_t(kFirstNamedSet + named.size() - 1);
    return IsCodePageAvailable(codePage);
}

std::string CodePageName(std::uint16_t codePage) {
    const std::string iconvName = IconvName(codePage);
    if (codePage >= kFirstNamedSet && codePage < kFirstNamedSet + kMaxNamedSets) return iconvName;
    if (codePage > kIso8859Base && codePage <= kIso8859Base + 16) return iconvName;
    if (codePage == 65001) return "UTF-8";
    return std::to_string(codePage);
}

bool IsValidUtf8(std::string_view text) {
    std::size_t i = 0;
    const std::size_t n = text.size();
    while (i < n) {
        // Texts are mostly ASCII: eight bytes at a time while no byte has its
        // top bit set.
        constexpr std::uint64_t kTopBits = 0x8080808080808080ull;
        std::uint64_t word;
        while (i + 8 <= n && (std::memcpy(&word, text.data() + i, 8), (word & kTopBits) == 0))
            i += 8;
        if (i >= n) break;
        const auto lead = static_cast<unsigned char>(text[i]);
        if (lead < 0x80) {
            ++i;
            continue;
        }
        std::size_t extra = 0;
        std::uint32_t cp = 0;
        if (lead >= 0xC2 && lead <= 0xDF)
            extra = 1, cp = lead & 0x1F;
        else if (lead >= 0xE0 && lead <= 0xEF)
            extra = 2, cp = lead & 0x0F;
        else if (lead >= 0xF0 && lead <= 0xF4)
            extra = 3, cp = lead & 0x07;
        else
            return false;
        if (i + extra >= n) return false;
        for (std::size_t k = 1; k <= extra; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (next & 0x3F);
        }
        // Overlong forms, surrogates and code points beyond Unicode.
        if ((extra == 2 && cp < 0x800) || (extra == 3 && (cp < 0x10000 || cp > 0x10FFFF)) ||
            (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        i += extra + 1;
    }
    return true;
}

bool IsAnsiLetter(unsigned char c) {
    return Ansi().IsLetter(c);
}

} // namespace ostrane
