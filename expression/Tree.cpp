#include "expression/Tree.h"
#include "platform/AsciiCase.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>

#include "platform/Exceptions.h"

namespace ostrane {

namespace {

constexpr std::string_view SyntaxFaultMessage = msg::SyntaxFault;
constexpr std::string_view ParenthesisMismatchMessage = msg::ParenthesisMismatch;
constexpr std::string_view FunctionParseMessage = msg::FunctionParseError;
constexpr std::string_view TooDeepMessage = msg::TooDeeplyNested;

[[noreturn]] void RaiseParse(std::string_view message) {
    throw EQzIParseException(std::string(message));
}

// Where an operator's operands stand.  A prefix operator splits only as the
// first token of a node and takes what follows it; a postfix operator splits
// only as the last token and takes what precedes it.  Indexed by rank.
enum class Fixity : std::uint8_t { Infix, Prefix, Postfix };
constexpr std::array<Fixity, OperatorTable.size() + 1> FixityByRank{
    Fixity::Infix, // rank 0: operator text not in the table
    Fixity::Infix,   Fixity::Infix, Fixity::Infix, Fixity::Infix, Fixity::Infix,
    Fixity::Postfix, // "!"
    Fixity::Infix,   Fixity::Infix, Fixity::Infix, Fixity::Infix, Fixity::Infix,
    Fixity::Infix,   Fixity::Infix, Fixity::Infix, Fixity::Infix,
    Fixity::Prefix, // "NOT"
};

bool IsWordIgnoringCase(std::string_view text, std::string_view upper) {
    if (text.size() != upper.size()) return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (UpperAscii(c) != upper[i]) return false;
    }
    return true;
}

// What the split reads of a token, one byte each.
enum Code : std::uint8_t {
    OtherCode = 0,
    OpenCode = 1,  // "("
    CloseCode = 2, // ")"
    CommaCode = 3,
    WordCode = 4,
    OperatorCode = 0x40, // | rank
};
constexpr std::uint8_t RankMask = 0x3f;

std::uint8_t CodeOf(const TExpToken& t) {
    switch (t.Kind) {
    case tkParen: return t.Text[0] == '(' ? OpenCode : CloseCode;
    case tkComma: return CommaCode;
    case tkWord: return WordCode;
    case tkOperator: return std::uint8_t(OperatorCode | t.Rank);
    default: return OtherCode;
    }
}

bool IsParenCode(std::uint8_t c) {
    return c == OpenCode || c == CloseCode;
}

// The value of a number token: digits with at most one "." read as a
// decimal number; anything after a second "." (or another character) is
// ignored.  A value too large for a double is kept as infinity and reported
// when evaluated.
double ReadNumberLiteral(std::string_view text) {
    std::size_t end = 0;
    bool point = false;
    while (end < text.size()) {
        const char c = text[end];
        if (c == '.' && !point) {
            point = true;
        } else if (c < '0' || c > '9') {
            break;
        }
        ++end;
    }
    const std::string_view number = text.substr(0, end);
    if (number.find_first_of("0123456789") == std::string_view::npos) return 0;
    double value = 0;
    const auto [ptr, ec] = std::from_chars(number.data(), number.data() + number.size(), value,
                                           std::chars_format::fixed);
    if (ec == std::errc::result_out_of_range) {
        const std::string_view whole = number.substr(0, number.find('.'));
        const bool large = whole.find_first_not_of('0') != std::string_view::npos;
        return large ? HUGE_VAL : 0.0;
    }
    return value;
}

} // namespace

TExpNode::TExpNode(TExpOwner* owner, std::vector<TExpToken*> tokens, TExpNode* parent)
    : owner_(owner), parent_(parent), tokens_(std::move(tokens)) {
    if (tokens_.size() == 1) token_ = tokens_[0];
    if (parent_ != nullptr) depth_ = parent_->depth_;
    Prepare();
}

TExpNode::~TExpNode() {
    while (!children_.empty()) children_.pop_back();
}

std::unique_ptr<TExpNode> TExpNode::MakeChild(std::size_t begin, std::size_t end) {
    const auto b = std::ptrdiff_t(begin), e = std::ptrdiff_t(end);
    auto child = std::make_unique<TExpNode>(
        owner_, std::vector<TExpToken*>(tokens_.begin() + b, tokens_.begin() + e), this);
    child->codes_.assign(codes_.begin() + b, codes_.begin() + e);
    return child;
}

// Leaves the node with its principal token only.
void TExpNode::KeepOnly(TExpToken* token) {
    token_ = token;
    tokens_ = std::vector<TExpToken*>{token};
    codes_ = std::vector<std::uint8_t>();
}

void TExpNode::Build() {
    if (tokens_.size() >= 2) {
        if (codes_.size() != tokens_.size()) {
            codes_.resize(tokens_.size());
            for (std::size_t i = 0; i < tokens_.size(); ++i) codes_[i] = CodeOf(*tokens_[i]);
        }
        StripParentheses();
        if (tokens_.size() == 1) {
            KeepOnly(tokens_[0]);
        } else if (tokens_.size() >= 2) {
            const int index = FindSplitOperator();
            if (index >= 0) {
                const int rank = codes_[std::size_t(index)] & RankMask;
                if (FixityByRank[std::size_t(rank)] == Fixity::Infix)
                    SplitAt(index);
                else
                    SplitUnary(index);
            } else if (!TryFunctionCall()) {
                RaiseParse(SyntaxFaultMessage);
            }
        }
    }
    codes_ = std::vector<std::uint8_t>();
    Prepare();
    if (parent_ == nullptr) {
        std::int32_t next = 0;
        NumberWords(next);
    }
}

// Left to right, as the words are written (Build goes right first).
void TExpNode::NumberWords(std::int32_t& next) {
    if (action_ == Action::Word && children_.empty()) wordIndex_ = next++;
    for (auto& child : children_) child->NumberWords(next);
}

std::string_view WordPreset(std::string_view wordText) {
    if (!wordText.empty() && wordText.front() == '[') wordText.remove_prefix(1);
    if (!wordText.empty() && wordText.back() == ']') wordText.remove_suffix(1);
    return wordText;
}

std::string_view TExpNode::Preset() const {
    if (token_ == nullptr) return {};
    return std::string_view(token_->Text).substr(presetBegin_, presetLength_);
}

// Removes enclosing pairs of parentheses in one pass: pair k (counted from
// the outside) goes when the paren depth inside it, measured from its "(",
// stays above zero up to its ")".
void TExpNode::StripParentheses() {
    const std::size_t n = codes_.size();
    std::size_t pairs = 0;
    while (n - 2 * pairs >= 2 && codes_[pairs] == OpenCode && codes_[n - 1 - pairs] == CloseCode)
        ++pairs;
    if (pairs == 0) return;

    std::vector<int> depth(n); // depth after each token, from the first
    int d = 0;
    for (std::size_t j = 0; j < n; ++j) {
        d += codes_[j] == OpenCode ? 1 : codes_[j] == CloseCode ? -1 : 0;
        depth[j] = d;
    }
    // lowest[k]: the lowest depth over tokens k .. n-2-k (inside pair k).
    std::vector<int> lowest(pairs);
    const std::size_t inner = pairs - 1;
    lowest[inner] = *std::min_element(depth.begin() + std::ptrdiff_t(inner),
                                      depth.begin() + std::ptrdiff_t(n - 1 - inner));
    for (std::size_t k = inner; k-- > 0;)
        lowest[k] = std::min({lowest[k + 1], depth[k], depth[n - 2 - k]});
    // Before pair k stand k openers, so its own depth starts at k.
    std::size_t strip = 0;
    while (strip < pairs && lowest[strip] > int(strip)) ++strip;
    if (strip == 0) return;
    const auto b = std::ptrdiff_t(strip), e = std::ptrdiff_t(n - strip);
    tokens_ = std::vector<TExpToken*>(tokens_.begin() + b, tokens_.begin() + e);
    codes_ = std::vector<std::uint8_t>(codes_.begin() + b, codes_.begin() + e);
}

// The loosest operator at paren depth 0 (lowest rank, leftmost on ties).
int TExpNode::FindSplitOperator() const {
    int depth = 0;
    int best = -1;
    int bestRank = 0;
    const int last = int(codes_.size()) - 1;
    const std::uint8_t* codes = codes_.data();
    for (int i = 0; i <= last; ++i) {
        const std::uint8_t code = codes[i];
        if (code == OpenCode) {
            ++depth;
        } else if (code == CloseCode) {
            if (--depth < 0) RaiseParse(ParenthesisMismatchMessage);
        } else if ((code & OperatorCode) != 0 && depth == 0) {
            const int rank = code & RankMask;
            const Fixity fixity = FixityByRank[std::size_t(rank)];
            if ((fixity == Fixity::Prefix && i != 0) || (fixity == Fixity::Postfix && i != last))
                continue;
            if (best < 0 || rank < bestRank) {
                best = i;
                bestRank = rank;
            }
        }
    }
    return best;
}

void TExpNode::EnterLevel() {
    depth_ = (parent_ != nullptr ? parent_->depth_ : 0) + 1;
    if (depth_ > MaxTreeDepth) RaiseParse(TooDeepMessage);
}

// The right operand is built before the left one, so its errors come first.
// The node keeps only its operator while the operands build, so a long
// chain holds each token in one list only.
void TExpNode::SplitAt(int index) {
    EnterLevel();
    const auto at = std::size_t(index);
    auto right = MakeChild(at + 1, tokens_.size());
    auto left = MakeChild(0, at);
    KeepOnly(tokens_[at]);
    right->Build();
    left->Build();
    children_.push_back(std::move(left));
    children_.push_back(std::move(right));
}

// A prefix operator takes what follows it, a postfix one what precedes it.
void TExpNode::SplitUnary(int index) {
    EnterLevel();
    const auto at = std::size_t(index);
    auto operand = at == 0 ? MakeChild(1, tokens_.size()) : MakeChild(0, at);
    KeepOnly(tokens_[at]);
    operand->Build();
    children_.push_back(std::move(operand));
}

// name ( arguments ): one child per comma-separated argument at depth 0.
// The arguments are cut first and built afterwards in order; a stray ")"
// in an argument is reported after the arguments before it are built.
bool TExpNode::TryFunctionCall() {
    const std::size_t n = codes_.size();
    if (n < 4 || codes_[0] != WordCode || !IsParenCode(codes_[1]) || !IsParenCode(codes_[n - 1]))
        return false;
    EnterLevel();
    std::vector<std::unique_ptr<TExpNode>> arguments;
    bool strayClose = false;
    const std::size_t end = n - 1; // the closing token
    for (std::size_t start = 2; start < end && !strayClose;) {
        int depth = 0;
        std::size_t stop = start;
        for (; stop < end; ++stop) {
            const std::uint8_t code = codes_[stop];
            if (code == OpenCode) {
                ++depth;
            } else if (code == CloseCode) {
                if (--depth < 0) break;
            } else if (code == CommaCode && depth == 0) {
                break;
            }
        }
        strayClose = depth < 0;
        if (!strayClose) arguments.push_back(MakeChild(start, stop));
        start = stop < end ? stop + 1 : stop; // skip the comma
    }
    KeepOnly(tokens_[0]);
    for (auto& argument : arguments) {
        argument->Build();
        children_.push_back(std::move(argument));
    }
    if (strayClose) RaiseParse(FunctionParseMessage);
    return true;
}

// Caches what evaluation needs, so evaluating reads no token text again.
void TExpNode::Prepare() {
    action_ = Action::Null;
    if (token_ == nullptr) return;
    const std::string& text = token_->Text;
    switch (token_->Kind) {
    case tkNumber:
        action_ = Action::Number;
        number_ = ReadNumberLiteral(text);
        break;
    case tkWord: {
        action_ = (IsWordIgnoringCase(text, "GETDATE") || IsWordIgnoringCase(text, "NOW"))
                      ? Action::Now
                      : Action::Word;
        const std::string_view preset = WordPreset(text);
        presetBegin_ = std::size_t(preset.data() - text.data());
        presetLength_ = preset.size();
        builtIn_ = children_.empty() ? nullptr : FindBuiltIn(text);
        break;
    }
    case tkOperator:
        action_ = Action::Operator;
        rank_ = token_->Rank;
        break;
    default: action_ = Action::Text; break;
    }
}

} // namespace ostrane
