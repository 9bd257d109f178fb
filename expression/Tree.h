// The expression tree: a node splits itself at its loosest operator or as a
// function call; evaluation walks it.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "expression/Tokenizer.h"
#include "platform/Value.h"

namespace ostrane {

// Most arguments a word handed to the owner can receive.
inline constexpr int ArgumentSlotCount = 11;
using ArgumentSlots = std::array<Value, ArgumentSlotCount>;

// Deepest tree accepted; deeper expressions are rejected when built.
inline constexpr int MaxTreeDepth = 256;

// Resolves the words of a tree that are not built-in functions: the
// expression component and user functions implement it.
class TExpNode;
struct BuiltInFunction;

class TExpOwner {
public:
    virtual ~TExpOwner() = default;
    // name: the token text as written; value arrives preset (brackets
    // stripped) and leaves holding the word's value.
    virtual void ResolveWord(const std::string& name, const ArgumentSlots& args, bool isChild,
                             Value& value) = 0;
    // A word without arguments.  Its WordIndex numbers it among the tree's
    // words, so an owner can work out what each word means once and find it
    // by index afterwards.  The result is scratch or a value the owner keeps
    // unchanged while the tree is evaluated.  By default: scratch preset and
    // handed to ResolveWord.
    virtual const Value& ResolveLeafWord(const TExpNode& word, Value& scratch);
};

// After Build a node has one of five shapes: empty (no token), leaf (one
// token, no children), binary operator (two children, either possibly
// empty), unary operator ("NOT" prefix, "!" postfix: one child) or call (a
// word with one child per argument).
//
// Limits: Build raises "Compile error: expression too deeply nested." for a
// tree of more than MaxTreeDepth operator and call levels (parentheses that
// are stripped add none), so neither building nor evaluating recurses
// deeper.  Evaluating a word that goes to the owner with more than
// ArgumentSlotCount arguments raises "Function parse error: too many
// arguments." (whether a name is built in is known only then).
class TExpNode {
public:
    TExpNode(TExpOwner* owner, std::vector<TExpToken*> tokens, TExpNode* parent);
    ~TExpNode();
    TExpNode(const TExpNode&) = delete;
    TExpNode& operator=(const TExpNode&) = delete;

    // Shapes the node and its children; raises EQzIParseException.
    void Build();
    // Computes the node's value; the tree is left unchanged.
    Value Evaluate() const;
    // The same without a copy: the result is scratch, filled in place, or a
    // value that the owner keeps (a field of the current record).
    const Value& Evaluate(Value& scratch) const;

    TExpToken* Token() const { return token_; }
    int TokenCount() const { return int(tokens_.size()); }
    TExpToken* TokenAt(int i) const { return tokens_[std::size_t(i)]; }
    int ChildCount() const { return int(children_.size()); }
    TExpNode* Child(int i) const { return children_[std::size_t(i)].get(); }
    TExpNode* Parent() const { return parent_; }
    TExpOwner* Owner() const { return owner_; }
    // Operator and call nodes from the root down to this node.
    int Depth() const { return depth_; }
    // A word without arguments: its text without one leading "[" and one
    // trailing "]", and its number among such words of the tree (from 0, in
    // the order they are written); -1 for other nodes.
    std::string_view Preset() const;
    std::int32_t WordIndex() const { return wordIndex_; }

private:
    // What Evaluate does with the node, fixed once Build is done.
    enum class Action : std::uint8_t { Null, Number, Now, Word, Operator, Text };

    void StripParentheses();
    int FindSplitOperator() const;
    void SplitAt(int index);
    void SplitUnary(int index);
    bool TryFunctionCall();
    void EnterLevel();
    void Prepare();
    void NumberWords(std::int32_t& next);
    const Value& EvaluateWord(Value& value) const;
    const Value& EvaluateOperator(Value& out) const;
    // A child from the tokens [begin, end) of this node.
    std::unique_ptr<TExpNode> MakeChild(std::size_t begin, std::size_t end);
    void KeepOnly(TExpToken* token);

    TExpOwner* owner_;
    TExpNode* parent_;
    std::vector<std::unique_ptr<TExpNode>> children_;
    std::vector<TExpToken*> tokens_;
    // While building: one byte per token of tokens_ with what the split
    // looks at (paren, comma, word, operator rank), read without touching
    // the tokens themselves.
    std::vector<std::uint8_t> codes_;
    TExpToken* token_ = nullptr;
    int depth_ = 0;
    Action action_ = Action::Null;
    std::uint8_t rank_ = 0;       // operator rank (0: not in the table)
    double number_ = 0;           // number literal
    std::size_t presetBegin_ = 0; // word text without "[" and "]"
    std::size_t presetLength_ = 0;
    std::int32_t wordIndex_ = -1;
    const BuiltInFunction* builtIn_ = nullptr; // a call of a built-in
};

// A built-in function of the library; the name decides, so a call node looks
// it up once when built.  nullptr when name is no built-in.
const BuiltInFunction* FindBuiltIn(std::string_view name);
// Computes the call node (with at least one child) of a built-in into result.
void EvaluateBuiltIn(const BuiltInFunction& function, const TExpNode& node, Value& result);

// The operand conversion of "-", "*", "/" and "^".
Value NumericOperand(const Value& v);

// The value a word is preset with before the owner resolves it: its text
// without one leading "[" and one trailing "]".
std::string_view WordPreset(std::string_view wordText);

// The power rule of "^" and POWER.
double PowerRule(double base, double exponent);

} // namespace ostrane
