// Filters found by fuzzing that once read outside memory or misbehaved; each
// now ends in a value or a clean error.
#include <gtest/gtest.h>

#include <string>

#include "expression/Component.h"
#include "platform/Exceptions.h"
#include "platform/FormatSettings.h"

namespace ostrane {
namespace {

struct FuzzCase {
    std::string Text;
    std::string Expected; // "<class>: <message>", or the text of the value
};

std::string Outcome(const std::string& text) {
    TQzIParser parser;
    parser.Text = text;
    try {
        return parser.Evaluate().ToText();
    } catch (const Exception& e) {
        return std::string(e.ClassName()) + ": " + e.Message();
    }
}

const std::string TreeFault = "EQzIParseException: Calculate error: syntax tree fault.";
const std::string OutOfMemory = "EOutOfMemory: Out of memory";

TEST(FuzzFoundTest, FiltersEndCleanly) {
    const ScopedFormatSettings settings(CLocaleProfile());
    const FuzzCase cases[] = {
        // An operator text outside the table with no operands at all.
        {"!!", TreeFault},
        {"=-", TreeFault},
        {"A]UBS]ITURIMRIGHT(E) +DATEPART(!!!!) > 0", TreeFault},
        // Padding to hundreds of millions of bytes is refused before it allocates.
        {"PADL(~EGASTATUS, 620368541.) = PADR(*AGE,$3)", OutOfMemory},
        {"PADR(x, 2147483647, y)", OutOfMemory},
        {"PADL(x, 0-2147483647)", ""},
        {"PADL(IN\xFF+USE$,219159062.73)", OutOfMemory},
    };
    for (const FuzzCase& c : cases) EXPECT_EQ(Outcome(c.Text), c.Expected) << c.Text;
}

TEST(FuzzFoundTest, BuiltTextsHaveALimit) {
    EXPECT_NO_THROW(RequireBuiltTextLength(MaxBuiltTextLength));
    EXPECT_THROW(RequireBuiltTextLength(MaxBuiltTextLength + 1), EOutOfMemory);
}

} // namespace
} // namespace ostrane
