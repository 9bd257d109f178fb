#include <cstdlib>
#include <gtest/gtest.h>

#include "platform/FormatSettings.h"

namespace ostrane {
namespace {

TEST(FormatSettings, CProfile) {
    FormatSettings fs = CLocaleProfile();
    EXPECT_EQ(fs.DecimalSeparator, '.');
    EXPECT_EQ(fs.ThousandSeparator, ",");
    EXPECT_EQ(fs.CurrencyString, "$");
    EXPECT_EQ(fs.DateSeparator, '-');
    EXPECT_EQ(fs.TimeSeparator, ':');
    EXPECT_EQ(fs.ShortDateFormat, "yyyy/mm/dd");
    EXPECT_EQ(fs.LongTimeFormat, "hh:nn:ss");
    EXPECT_EQ(fs.TimeAMString, "AM");
    EXPECT_EQ(fs.TimePMString, "PM");
    EXPECT_EQ(fs.LongMonthNames[2], "March");
    EXPECT_EQ(fs.ShortMonthNames[11], "Dec");
    EXPECT_EQ(fs.Order, DateOrder::YMD);
}

TEST(FormatSettings, CLocalesLoadTheCProfile) {
    const char* saved = std::getenv("LC_ALL");
    std::string savedValue = saved ? saved : "";
    for (const char* name : {"C", "POSIX", "C.UTF-8"}) {
        setenv("LC_ALL", name, 1);
        FormatSettings fs = LoadFormatSettingsFromLocale();
        EXPECT_EQ(fs.ShortDateFormat, "yyyy/mm/dd") << name;
        EXPECT_EQ(fs.DecimalSeparator, '.') << name;
        EXPECT_EQ(fs.CurrencyString, "$") << name;
        EXPECT_EQ(fs.DateSeparator, '-') << name;
    }
    if (saved) {
        setenv("LC_ALL", savedValue.c_str(), 1);
    } else {
        unsetenv("LC_ALL");
    }
}

TEST(FormatSettings, StrftimeConversion) {
    struct Case {
        const char* format;
        bool date;
        const char* pattern;
        char separator;
    } cases[] = {
        {"%m/%d/%y", true, "mm/dd/yyyy", '/'}, // C: two-digit year promoted
        {"%m/%d/%Y", true, "mm/dd/yyyy", '/'}, // en_US
        {"%d.%m.%Y", true, "dd/mm/yyyy", '.'}, // de_DE
        {"%d/%m/%y", true, "dd/mm/yyyy", '/'}, // en_GB
        {"%F", true, "yyyy/mm/dd", '-'},
        {"%e %B %Y", true, "d/mmmm/yyyy", ' '},
        {"%a %d %b %Y", true, "dd/mmm/yyyy", ' '},
        {"%-d.%-m.%Y", true, "d/m/yyyy", '.'},
        {"%Y\xE5\xB9\xB4%m\xE6\x9C\x88%d\xE6\x97\xA5", true,
         "yyyy\xE5\xB9\xB4mm\xE6\x9C\x88"
         "dd\xE6\x97\xA5",
         '#'},
        {"%H:%M:%S", false, "hh:nn:ss", ':'},
        {"%T", false, "hh:nn:ss", ':'},
        {"%r", false, "hh:nn:ss ampm", ':'},
        {"%l:%M:%S %P %Z", false, "h:nn:ss ampm", ':'},
        {"%Hh%M", false, "hh:nn", 'h'},
        {"%H:%M Uhr", false, "hh:nn \"U\"\"h\"\"r\"", ':'},
    };
    for (const auto& c : cases) {
        char sep = '#';
        std::string pattern = PatternFromStrftime(c.format, "", c.date, sep);
        EXPECT_EQ(pattern, c.pattern) << c.format;
        EXPECT_EQ(sep, c.separator) << c.format;
    }
    char sep = ':';
    EXPECT_EQ(PatternFromStrftime("%r", "%I.%M.%S %p", false, sep), "hh:nn:ss ampm");
    EXPECT_EQ(sep, '.');
}

TEST(FormatSettings, DateOrder) {
    EXPECT_EQ(DateOrderOfPattern("mm/dd/yyyy"), DateOrder::MDY);
    EXPECT_EQ(DateOrderOfPattern("dd/mm/yyyy"), DateOrder::DMY);
    EXPECT_EQ(DateOrderOfPattern("yyyy/mm/dd"), DateOrder::YMD);
    EXPECT_EQ(DateOrderOfPattern("\"day\" mm/dd/yyyy"), DateOrder::MDY);
}

TEST(FormatSettings, CurrentAndScoped) {
    EXPECT_EQ(CurrentFormatSettings().DecimalSeparator, '.');
    {
        FormatSettings fs;
        fs.DecimalSeparator = ',';
        ScopedFormatSettings scoped(fs);
        EXPECT_EQ(CurrentFormatSettings().DecimalSeparator, ',');
    }
    EXPECT_EQ(CurrentFormatSettings().DecimalSeparator, '.');
}

} // namespace
} // namespace ostrane

// Real locales, compiled into a private folder with localedef (skipped when
// the machine lacks the locale sources of Debian's "locales" package).  The
// checks run in a child process: glibc's newlocale leaks its copy of LOCPATH,
// which the leak checker would otherwise report.
#include <sys/wait.h>
#include <unistd.h>

#include "platform/CodePage.h"

namespace ostrane {
namespace {

bool CompileLocale(const std::string& dir, const char* source, const char* charmap,
                   const char* name) {
    std::string command = "localedef -i " + std::string(source) + " -f " + charmap + " " + dir +
                          "/" + name + " >/dev/null 2>&1";
    return std::system(command.c_str()) == 0;
}

// Runs body in a child process with LOCPATH set; returns the failures it
// reported (empty when every check held).
template <class Body> std::string RunWithLocales(const std::string& dir, Body body) {
    int fds[2];
    if (pipe(fds) != 0) return "pipe failed";
    pid_t pid = fork();
    if (pid < 0) return "fork failed";
    if (pid == 0) {
        close(fds[0]);
        setenv("LOCPATH", dir.c_str(), 1);
        std::string failures;
        body(failures);
        ssize_t ignored = write(fds[1], failures.data(), failures.size());
        (void)ignored;
        _exit(0);
    }
    close(fds[1]);
    std::string failures;
    char buf[512];
    ssize_t n;
    while ((n = read(fds[0], buf, sizeof buf)) > 0) failures.append(buf, static_cast<size_t>(n));
    close(fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) failures += "child failed;";
    return failures;
}

template <class T, class U>
void Check(std::string& failures, const char* what, const T& actual, const U& expected) {
    if (!(actual == expected)) failures += std::string(what) + ";";
}

TEST(FormatSettings, RealLocales) {
    char dirTemplate[] = "/tmp/ostrane-locale-XXXXXX";
    ASSERT_NE(mkdtemp(dirTemplate), nullptr);
    const std::string dir = dirTemplate;
    if (!CompileLocale(dir, "de_DE", "UTF-8", "de_DE.UTF-8") ||
        !CompileLocale(dir, "de_DE", "ISO-8859-1", "de_DE.ISO-8859-1") ||
        !CompileLocale(dir, "en_US", "UTF-8", "en_US.UTF-8")) {
        std::system(("rm -rf " + dir).c_str());
        GTEST_SKIP() << "localedef or the locale sources are missing";
    }
    std::string failures = RunWithLocales(dir, [](std::string& f) {
        setenv("LC_ALL", "de_DE.UTF-8", 1);
        InitAnsiCharsetFromLocale();
        Check(f, "de charset", AnsiCharset(), "UTF-8");
        FormatSettings de = LoadFormatSettingsFromLocale();
        Check(f, "de decimal", de.DecimalSeparator, ',');
        Check(f, "de thousands", de.ThousandSeparator, ".");
        Check(f, "de currency", de.CurrencyString, "\xE2\x82\xAC");
        Check(f, "de date separator", de.DateSeparator, '.');
        Check(f, "de short date", de.ShortDateFormat, "dd/mm/yyyy");
        Check(f, "de long time", de.LongTimeFormat, "hh:nn:ss");
        Check(f, "de order", de.Order, DateOrder::DMY);
        Check(f, "de month", de.LongMonthNames[2], "M\xC3\xA4rz");

        setenv("LC_ALL", "en_US.UTF-8", 1);
        FormatSettings us = LoadFormatSettingsFromLocale();
        Check(f, "us short date", us.ShortDateFormat, "mm/dd/yyyy");
        Check(f, "us date separator", us.DateSeparator, '/');
        Check(f, "us long time", us.LongTimeFormat, "hh:nn:ss ampm");
        Check(f, "us order", us.Order, DateOrder::MDY);
        Check(f, "us currency", us.CurrencyString, "$");

        setenv("LC_ALL", "de_DE.ISO-8859-1", 1);
        InitAnsiCharsetFromLocale();
        Check(f, "latin charset", AnsiCharset(), "ISO-8859-1");
        FormatSettings latin = LoadFormatSettingsFromLocale();
        Check(f, "latin month", latin.LongMonthNames[2], "M\xE4rz");
        Check(f, "latin currency", latin.CurrencyString, "EUR");
        std::string converted;
        Check(f, "latin 437 available", CodePageToAnsi("\x81", 437, converted), true);
        Check(f, "latin 437 u diaeresis", converted, "\xFC");
        Check(f, "latin letter", IsAnsiLetter(0xE4), true);
        Check(f, "latin times sign", IsAnsiLetter(0xD7), false);
    });
    EXPECT_EQ(failures, "");
    std::system(("rm -rf " + dir).c_str());
}

} // namespace
} // namespace ostrane
