// Entry point of the ostrane program: reads the switches, runs one
// conversion and reports an error that ends it as one line on stdout (on
// stderr when the lines themselves go to stdout).
#include <csignal>
#include <cstdio>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include "converter/CmdLineHelper.h"
#include "converter/ConvertSettings.h"
#include "converter/Driver.h"
#include "converter/Usage.h"
#include "converter/Warnings.h"
#include "platform/CodePage.h"
#include "platform/Exceptions.h"
#include "platform/FormatSettings.h"

namespace {

using namespace ostrane;

constexpr int ExitSuccess = 0;
constexpr int ExitFailure = 1;
// The reader of standard output went away (as head does): the status of a
// program that SIGPIPE ended, without its abrupt end.
constexpr int ExitBrokenPipe = 128 + SIGPIPE;
constexpr std::size_t MinimumArguments = 2; // source and target

constexpr std::string_view ErrorSeparator = ": ";
constexpr std::string_view ErrorLineEnd = "\n";
constexpr std::string_view OutOfMemoryClass = "EOutOfMemory";
constexpr std::string_view OutOfMemoryMessage = msg::OutOfMemory;
constexpr std::string_view UnknownErrorClass = "Exception";
constexpr std::string_view UnknownErrorMessage = "Unknown error";

void WriteOut(std::string_view bytes) {
    std::fwrite(bytes.data(), 1, bytes.size(), stdout);
}

// Where messages go: standard output, unless the lines go there.
std::FILE* MessageStream(const std::vector<std::string>& arguments) {
    return arguments.size() > 1 && arguments[1] == StandardOutputName ? stderr : stdout;
}

void WarnAboutUnknownSwitches(const std::vector<std::string>& arguments) {
    for (const std::string& argument : UnknownSwitches(arguments))
        Warn("\"" + argument + "\" is no known switch; it was ignored");
}

// The character set first: the locale's names and symbols are converted
// into it as they are loaded.
void InstallUserLocale() {
    InitAnsiCharsetFromLocale();
    SetFormatSettings(LoadFormatSettingsFromLocale());
}

// Output for other tools is the same on every machine: numbers, dates and
// texts as under the C locale (decimal point, ISO dates, UTF-8).
void InstallCLocale() {
    SetAnsiCharset("UTF-8");
    SetFormatSettings(CLocaleProfile());
}

int ShowText(const std::string& text) {
    WriteOut(text);
    return ExitSuccess;
}

int Run(const std::vector<std::string>& arguments) {
    const InfoRequest info =
        arguments.empty() ? InfoRequest::None : InfoRequestOf(arguments.front());
    if (info == InfoRequest::Help) return ShowText(HelpText());
    if (info == InfoRequest::Version) return ShowText(VersionText());
    if (arguments.size() < MinimumArguments) return ShowText(BannerText());
    // The switches are read under the user's locale, as every run does;
    // output for other tools then replaces it.
    InstallUserLocale();
    const ConvertSettings settings = ReadSettings(arguments);
    if (IsForOtherTools(settings)) InstallCLocale();
    WarnAboutUnknownSwitches(arguments);
    TA ta;
    ta.FilterText = settings.FilterText;
    return ConvertTable(ta, settings) ? ExitSuccess : ExitFailure;
}

int ReportError(std::FILE* stream, std::string_view className, std::string_view message) {
    std::fflush(stdout); // whatever the run printed comes first
    std::string line(className);
    line.append(ErrorSeparator).append(message).append(ErrorLineEnd);
    std::fwrite(line.data(), 1, line.size(), stream);
    return ExitFailure;
}

} // namespace

int main(int argc, char** argv) {
    // A closed pipe then fails the write, and the run ends through its
    // clean-up (the progress line erased) instead of being killed.
    std::signal(SIGPIPE, SIG_IGN);
    int status = ExitFailure;
    std::FILE* messages = stdout;
    try {
        SetProgramName(argc > 0 ? argv[0] : nullptr);
        const std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
        messages = MessageStream(arguments);
        status = Run(arguments);
    } catch (const EBrokenPipe&) {
        status = ExitBrokenPipe;
    } catch (const ERecordError& e) {
        status = ReportError(messages, e.ClassName(), e.MessageWithRecord());
    } catch (const Exception& e) {
        status = ReportError(messages, e.ClassName(), e.Message());
    } catch (const std::bad_alloc&) {
        status = ReportError(messages, OutOfMemoryClass, OutOfMemoryMessage);
    } catch (const std::exception& e) {
        status = ReportError(messages, UnknownErrorClass, e.what());
    } catch (...) {
        status = ReportError(messages, UnknownErrorClass, UnknownErrorMessage);
    }
    std::fflush(stdout);
    return status;
}
