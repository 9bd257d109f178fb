#include "expression/Tokenizer.h"
#include "platform/AsciiCase.h"

#include <string>

#include "platform/Exceptions.h"
#include "platform/FormatSettings.h"

namespace ostrane {

namespace {

constexpr std::string_view IllegalCharacterMessage = msg::IllegalCharacter;

bool IsControlOrSpace(char c) {
    return static_cast<unsigned char>(c) <= 32;
}

// Openers and closers of a quoted run: any closer ends a run, whoever opened it.
bool IsQuoteOpener(char c) {
    return c == '\'' || c == '"' || c == '[';
}
bool IsQuoteCloser(char c) {
    return c == '\'' || c == '"' || c == ']';
}

bool IsOperatorChar(char c) {
    switch (c) {
    case '+':
    case '-':
    case '*':
    case '/':
    case '^':
    case '!':
    case '=':
    case '<':
    case '>': return true;
    default: return false;
    }
}

// The class of one character; decimalSeparator is the locale's.  A single
// character is a float text exactly when it is a digit, "." or the decimal
// separator (which the float test reads as ".").
TExpTokenKind Classify(char c, char decimalSeparator) {
    if (c == '(' || c == ')') return tkParen;
    if (c == ',') return tkComma;
    if (IsOperatorChar(c)) return tkOperator;
    if ((c >= '0' && c <= '9') || c == '.' || c == decimalSeparator) return tkNumber;
    if (c == '\0') return tkIllegal;
    return tkWord;
}

[[noreturn]] void RaiseIllegalCharacter(char c, std::size_t position) {
    std::string message = FormatMessage(IllegalCharacterMessage, std::string_view(&c, 1));
    message = FormatMessage(message, std::to_string(position));
    throw EQzIParseException(std::move(message));
}

} // namespace

int IndexOfText(std::string_view text) {
    for (std::size_t i = 0; i < OperatorTable.size(); ++i) {
        const std::string_view entry = OperatorTable[i];
        if (entry.size() != text.size()) continue;
        bool equal = true;
        for (std::size_t k = 0; k < text.size() && equal; ++k)
            equal = UpperAscii(text[k]) == entry[k];
        if (equal) return int(i) + 1;
    }
    return 0;
}

int OperandCountOf(std::string_view text) {
    const int rank = IndexOfText(text);
    return rank > 0 ? OperandCount[std::size_t(rank - 1)] : 0;
}

TExpTokenKind ClassifyText(char c) {
    return Classify(c, CurrentFormatSettings().DecimalSeparator);
}

void TExpParser::SetText(std::string_view text) {
    std::size_t first = 0;
    std::size_t last = text.size();
    while (first < last && IsControlOrSpace(text[first])) ++first;
    while (last > first && IsControlOrSpace(text[last - 1])) --last;
    text_.assign(text.substr(first, last - first));
}

void TExpParser::ClearTokens() {
    while (!tokens_.empty()) tokens_.pop_back();
}

TExpToken* TExpParser::FirstToken() {
    ClearTokens();
    position_ = 1;
    return ReadToken();
}

TExpToken* TExpParser::ReadToken() {
    const std::size_t length = text_.size();
    if (position_ > length) return nullptr;
    const char decimalSeparator = CurrentFormatSettings().DecimalSeparator;
    auto at = [&](std::size_t position) { return text_[position - 1]; }; // 1-based

    // Skip spaces; the character taken last starts the token.
    char c = at(position_++);
    while (c == ' ' && position_ <= length) c = at(position_++);

    const TExpTokenKind startKind = Classify(c, decimalSeparator);
    if (startKind == tkIllegal) RaiseIllegalCharacter(c, position_ - 1);

    auto token = std::make_unique<TExpToken>();
    token->Text.push_back(c);
    token->Kind = startKind;
    if (startKind != tkParen) {
        const bool quoted = IsQuoteOpener(c);
        bool inRun = quoted;
        bool endedByClass = false;
        while (position_ <= length) {
            const char d = at(position_);
            bool closing = false;
            if (!inRun) {
                const TExpTokenKind kind = Classify(d, decimalSeparator);
                if (kind != startKind && !(startKind == tkWord && kind == tkNumber)) {
                    endedByClass = true;
                    break;
                }
            } else if (IsQuoteCloser(d)) {
                // A closer directly followed by another closer stays inside.
                const bool doubled = position_ < length && IsQuoteCloser(at(position_ + 1));
                if (!doubled) {
                    inRun = false;
                    closing = true;
                    token->Text.push_back(d);
                }
            }
            if (inRun || (d != ' ' && !closing)) token->Text.push_back(d);
            ++position_;
        }
        if (endedByClass && !quoted && IndexOfText(token->Text) > 0) token->Kind = tkOperator;
    }
    if (token->Kind == tkOperator) token->Rank = std::uint8_t(IndexOfText(token->Text));
    tokens_.push_back(std::move(token));
    return tokens_.back().get();
}

void TokenizeAll(TExpParser& parser, std::string_view text) {
    parser.SetText(text);
    if (parser.FirstToken() == nullptr) return;
    while (parser.ReadToken() != nullptr) {
    }
}

} // namespace ostrane
