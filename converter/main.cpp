// Entry point of the ostrane program: reads the switches, runs one
// conversion and reports an error that ends it as one line on stdout.
#include <cstdio>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include "converter/CmdLineHelper.h"
#include "converter/ConvertSettings.h"
#include "converter/Driver.h"
#include "platform/CodePage.h"
#include "platform/Exceptions.h"
#include "platform/FormatSettings.h"

namespace {

using namespace ostrane;

constexpr int ExitSuccess = 0;
constexpr int ExitFailure = 1;
constexpr std::size_t MinimumArguments = 2; // source and target

constexpr std::string_view BannerLineEnd = "\r\n";
constexpr std::string_view BannerLines[] = {
    "Ostrane v2.6",
    "convert dBase tables into text files\r\n",
    "",
    "OSTRANE.EXE <source.dbf> <target.txt> [/h] [/f] [/fixed] [/delimiter=<separator>] "
    "[/qualifier=<char>] [/recordseparator=<crlf|cr|lf|>] [/fields=<field1;field2;...>] "
    "[where=<filter>]",
};

constexpr std::string_view ErrorSeparator = ": ";
constexpr std::string_view ErrorLineEnd = "\n";
constexpr std::string_view OutOfMemoryClass = "EOutOfMemory";
constexpr std::string_view OutOfMemoryMessage = "Out of memory";
constexpr std::string_view UnknownErrorClass = "Exception";
constexpr std::string_view UnknownErrorMessage = "Unknown error";

void WriteOut(std::string_view bytes) {
    std::fwrite(bytes.data(), 1, bytes.size(), stdout);
}

void ShowBanner() {
    for (std::string_view line : BannerLines) {
        WriteOut(line);
        WriteOut(BannerLineEnd);
    }
}

// The character set first: the locale's names and symbols are converted
// into it as they are loaded.
void InstallUserLocale() {
    InitAnsiCharsetFromLocale();
    SetFormatSettings(LoadFormatSettingsFromLocale());
}

int Run(const std::vector<std::string>& arguments) {
    if (arguments.size() < MinimumArguments) {
        ShowBanner();
        return ExitSuccess;
    }
    InstallUserLocale();
    const ConvertSettings settings = ReadSettings(arguments);
    TA ta;
    ta.FilterText = settings.FilterText;
    ConvertTable(ta, settings);
    return ExitSuccess;
}

int ReportError(std::string_view className, std::string_view message) {
    std::fflush(stdout); // whatever the run printed comes first
    std::string line(className);
    line.append(ErrorSeparator).append(message).append(ErrorLineEnd);
    WriteOut(line);
    return ExitFailure;
}

} // namespace

int main(int argc, char** argv) {
    int status = ExitFailure;
    try {
        SetProgramName(argc > 0 ? argv[0] : nullptr);
        const std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
        status = Run(arguments);
    } catch (const ERecordError& e) {
        status = ReportError(e.ClassName(), e.MessageWithRecord());
    } catch (const Exception& e) {
        status = ReportError(e.ClassName(), e.Message());
    } catch (const std::bad_alloc&) {
        status = ReportError(OutOfMemoryClass, OutOfMemoryMessage);
    } catch (const std::exception& e) {
        status = ReportError(UnknownErrorClass, e.what());
    } catch (...) {
        status = ReportError(UnknownErrorClass, UnknownErrorMessage);
    }
    std::fflush(stdout);
    return status;
}
