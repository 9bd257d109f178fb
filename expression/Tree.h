// The expression tree: a node splits itself at its loosest operator or as a
// function call; evaluation walks it.
#pragma once

#include <array>
#include <memory>
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
class TExpOwner {
public:
    virtual ~TExpOwner() = default;
    // name: the token text as written; value arrives preset (brackets
    // stripped) and leaves holding the word's value.
    virtual void ResolveWord(const std::string& name, const ArgumentSlots& args, bool isChild,
                             Value& value) = 0;
};

class TExpNode {
public:
    TExpNode(TExpOwner* owner, std::vector<TExpToken*> tokens, TExpNode* parent);
    ~TExpNode();
    TExpNode(const TExpNode&) = delete;
    TExpNode& operator=(const TExpNode&) = delete;

    void Build();
    Value Evaluate() const;

    TExpToken* Token() const { return token_; }
    int TokenCount() const { return int(tokens_.size()); }
    TExpToken* TokenAt(int i) const { return tokens_[std::size_t(i)]; }
    int ChildCount() const { return int(children_.size()); }
    TExpNode* Child(int i) const { return children_[std::size_t(i)].get(); }
    TExpNode* Parent() const { return parent_; }
    TExpOwner* Owner() const { return owner_; }

private:
    void StripParentheses();
    int FindSplitOperator() const;
    void SplitAt(int index);
    bool TryFunctionCall();
    void EvaluateWord(Value& value) const;
    Value EvaluateOperator() const;
    int Depth() const;

    TExpOwner* owner_;
    TExpNode* parent_;
    std::vector<std::unique_ptr<TExpNode>> children_;
    std::vector<TExpToken*> tokens_;
    TExpToken* token_ = nullptr;
};

// Tells whether the word node (with at least one child) names a built-in
// function and, if so, computes it into result.
bool EvaluateBuiltIn(const TExpNode& node, Value& result);

// The operand conversion of "-", "*", "/" and "^".
Value NumericOperand(const Value& v);

// The power rule of "^" and POWER.
double PowerRule(double base, double exponent);

} // namespace ostrane
