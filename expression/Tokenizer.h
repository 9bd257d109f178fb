// The expression tokenizer: an expression text becomes a flat list of tokens.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace ostrane {

enum TExpTokenKind : std::uint8_t {
    tkIllegal = 0,
    tkWord = 1,
    tkNumber = 2,
    tkParen = 4,
    tkOperator = 5,
    tkComma = 6,
};

struct TExpToken {
    std::string Text;
    TExpTokenKind Kind = tkIllegal;
    // For tkOperator tokens: the rank of Text in OperatorTable (0 when the
    // text is not in the table); set by the tokenizer.
    std::uint8_t Rank = 0;
};

// Operators in rank order (rank = 1-based position): the order is the
// precedence, loosest first.
inline constexpr std::array<std::string_view, 16> OperatorTable{
    "+", "-", "*", "/", "^", "!", "=", "<", ">", "<=", ">=", "<>", "!=", "AND", "OR", "NOT"};
inline constexpr std::array<int, 16> OperandCount{2, 2, 2, 2, 2, 1, 2, 2, 2, 2, 2, 2, 2, 2, 2, 1};

// 1-based index of the upper-cased text in the table, 0 when absent.
int IndexOfText(std::string_view text);
// Operand count of an operator text; 0 for a text not in the table.
int OperandCountOf(std::string_view text);
// Class of a one-character text.
TExpTokenKind ClassifyText(char c);

class TExpParser {
public:
    void SetText(std::string_view text);
    void ClearTokens();
    TExpToken* FirstToken();
    TExpToken* ReadToken();

    const std::string& Text() const { return text_; }
    const std::vector<std::unique_ptr<TExpToken>>& Tokens() const { return tokens_; }
    std::size_t Position() const { return position_; }

private:
    std::string text_;
    std::vector<std::unique_ptr<TExpToken>> tokens_;
    std::size_t position_ = 1; // 1-based
};

// Tokenizes a whole text (SetText, FirstToken, ReadToken until none).
void TokenizeAll(TExpParser& parser, std::string_view text);

} // namespace ostrane
