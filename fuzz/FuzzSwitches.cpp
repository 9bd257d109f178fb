// Fuzz target of the switches: the input is an argument list (arguments
// separated by NUL bytes) read by ReadSettings, whose settings then build the
// header, type and record lines over a small fixed set of fields and values.
// The input up to its first NUL is also split as one command-line text.
// Quoting is checked against a plain rendering of its rule.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "converter/CmdLineHelper.h"
#include "converter/ConvertSettings.h"
#include "converter/LineFormat.h"
#include "fuzz/FuzzSupport.h"
#include "platform/Exceptions.h"

namespace {

using namespace ostrane;

// Stops the run when a property that must hold does not.
void Require(bool condition) {
    if (!condition) __builtin_trap();
}

std::vector<std::string> SplitAtNul(std::string_view input) {
    std::vector<std::string> pieces;
    std::size_t start = 0;
    while (start <= input.size()) {
        const std::size_t end = std::min(input.find('\0', start), input.size());
        pieces.emplace_back(input.substr(start, end - start));
        start = end + 1;
    }
    return pieces;
}

const std::vector<FieldDescriptor>& Fields() {
    static const std::vector<FieldDescriptor> fields = {
        {"NAME", 'C', 10}, {"AGE", 'N', 3},  {"OK", 'L', 1},    {"NOTE", 'M', 10},
        {"", '?', 0},      {"RATE", 'B', 8}, {"PRICE", 'Y', 8}, {"ID", 'I', 4},
        {"A;B", 'C', 3},   {"name", 'D', 8}, {"\"Q\"", 'T', 8}, {"LONGER_NAME", '@', 1},
    };
    return fields;
}

using Record = std::vector<std::string>;

const std::vector<Record>& Records() {
    static const std::vector<Record> records = {
        {"O'Brien   ", "42", "1", "Line\r\n\"two\"\t;", "", "2.5", "1234.5", "-7", "a;b",
         "1980-01-15", "13:45:30", "x"},
        {"", "", "0", std::string(5000, 'm'), "", "", "", "", "", "", "", ""},
    };
    return records;
}

class RecordTexts final : public FieldTextSource {
public:
    explicit RecordTexts(const Record& record) : record_(record) {}
    void AppendFieldText(std::size_t i, std::string& out) const override {
        if (i < record_.size()) out += record_[i];
    }

private:
    const Record& record_;
};

// The quoting rule as stated: from the last byte to the first, a copy of q
// goes in wherever the text (as changed so far) continues with q.
std::string PlainQuote(std::string_view text, std::string_view q) {
    std::string result(text);
    for (std::size_t p = text.size(); p-- > 0;) {
        if (result.compare(p, q.size(), q) == 0) result.insert(p, q);
    }
    return std::string(q) + result + std::string(q);
}

void CheckSettings(const ConvertSettings& settings, const std::vector<std::string>& arguments) {
    Require(settings.SourceName == arguments[0]);
    Require(arguments.size() < 2 || settings.TargetName == arguments[1]);
    Require(settings.RecordSeparator == "\r\n" || settings.RecordSeparator == "\r" ||
            settings.RecordSeparator == "\n");
    const std::string& list = settings.FieldList;
    Require(list.empty() || list.back() == ';');
    Require(std::none_of(list.begin(), list.end(), [](char c) { return c >= 'A' && c <= 'Z'; }));
}

void BuildLines(const ConvertSettings& settings) {
    const LineFormatter formatter(Fields(), settings);
    std::string line;
    formatter.BuildHeaderLine(line);
    formatter.BuildTypeLine(line);
    for (const Record& record : Records()) {
        try {
            formatter.BuildRecordLine(line, RecordTexts(record));
        } catch (const EConvertError&) {
            // A padded text beyond the format limit stops a run cleanly.
            Require(settings.FixedWidth);
        }
    }
}

void CheckQuoting(const ConvertSettings& settings) {
    constexpr std::size_t MaxPlainLength = 512;
    const std::string& q = settings.Qualifier;
    for (const std::string& text : {settings.Delimiter, settings.FilterText, settings.FieldList}) {
        if (text.size() + q.size() > MaxPlainLength) continue;
        Require(QuoteValue(text, q) == PlainQuote(text, q));
    }
}

void ScanCommandLine(std::string_view input) {
    constexpr std::int32_t MaxArguments = 32;
    const std::string commandLine(input.substr(0, input.find('\0')));
    const std::int32_t count = ArgumentCount(commandLine);
    Require(count >= 0);
    for (std::int32_t n = 1; n <= std::min(count, MaxArguments); ++n) ArgumentAt(commandLine, n);
    Require(ArgumentAt(commandLine, count + 1).empty());
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::UseCLocale();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    ScanCommandLine(input);
    const std::vector<std::string> arguments = SplitAtNul(input);
    ConvertSettings settings;
    try {
        settings = ReadSettings(arguments);
    } catch (const EConvertError&) {
        return 0; // a bad escape: the program stops before touching a file
    }
    CheckSettings(settings, arguments);
    BuildLines(settings);
    CheckQuoting(settings);
    return 0;
}
