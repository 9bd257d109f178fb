// The expression component and the user-defined functions.
#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "expression/Tokenizer.h"
#include "expression/Tree.h"
#include "platform/Value.h"

namespace ostrane {

class TQzIParser;

// Asks the host for the value of a word.  Eval is the word as written;
// Args holds the call's arguments (ArgCount is always the slot count);
// Value_ arrives preset and leaves holding the word's value; setting Done
// ends the resolution.
using TOnEvaluate =
    std::function<void(TQzIParser* Sender, const std::string& Eval, const ArgumentSlots& Args,
                       std::int32_t ArgCount, bool IsChild, Value& Value_, bool& Done)>;

// An expression text parsed once: its tokenizer and the tree built from its
// tokens, or the error the parse raised (raised again at each evaluation,
// exactly as a fresh parse would).
class TCompiledExpression {
public:
    TCompiledExpression(std::string_view text, TExpOwner* owner);
    ~TCompiledExpression();
    TCompiledExpression(const TCompiledExpression&) = delete;
    TCompiledExpression& operator=(const TCompiledExpression&) = delete;

    Value Evaluate() const;
    // The same into scratch, or a value the owner keeps (see TExpNode).
    const Value& Evaluate(Value& scratch) const;
    // Whether a parse of text now would give this result.
    bool Matches(std::string_view text) const;

private:
    std::string text_;
    char decimalSeparator_; // the tokenizer's number class depends on it
    TExpParser parser_;     // declared before root_: the tree goes first
    std::unique_ptr<TExpNode> root_;
    std::exception_ptr error_;
};

// Holds an expression text and evaluates it; words the engine does not know
// go to OnEvaluate and the user functions.
class TQzIParser : public TExpOwner {
public:
    TQzIParser() = default;
    TQzIParser(const TQzIParser&) = delete;
    TQzIParser& operator=(const TQzIParser&) = delete;

    // False: the event is raised before user functions are tried; true:
    // only for words that are not user functions.
    bool ProcessBeforeEvent = false;
    // The expression; parsed at the first evaluation after it changes.
    std::string Text;
    TOnEvaluate OnEvaluate;

    const Value& LastResult() const { return lastResult_; }

    // Parses (when Text changed) and evaluates Text.
    Value Evaluate();
    void ResolveWord(const std::string& name, const ArgumentSlots& args, bool isChild,
                     Value& value) override;

private:
    bool RaiseEvent(const std::string& name, const ArgumentSlots& args, bool isChild, Value& value);

    Value lastResult_;
    std::shared_ptr<const TCompiledExpression> compiled_;
};

// A user-defined function: "NAME(p1, p2, ...)=body".
class TQzIParserFunction : public TExpOwner {
public:
    TQzIParserFunction() = default;
    virtual ~TQzIParserFunction() = default;
    TQzIParserFunction(const TQzIParserFunction&) = delete;
    TQzIParserFunction& operator=(const TQzIParserFunction&) = delete;

    // Informational; evaluation never reads them.
    std::string Description, Category, Group;
    // The arguments of the current call.
    ArgumentSlots ParamValues;

    const std::string& Definition() const { return definition_; }
    const std::string& Name() const { return name_; }
    const std::string& Body() const { return body_; }
    std::int32_t ParamCount() const { return std::int32_t(params_.size()); }
    const std::vector<std::string>& Params() const { return params_; }

    // Reads name, parameters and body; throws EQzIParseException.
    void SetDefinition(std::string_view definition);
    void SetArguments(const ArgumentSlots& args) { ParamValues = args; }
    // Evaluates the body with the current ParamValues (parsed once per
    // definition).
    virtual void Evaluate(Value& value);
    // A parameter's value; other words keep their preset text.
    void ResolveParameter(const std::string& name, Value& value) const;
    void ResolveWord(const std::string& name, const ArgumentSlots& args, bool isChild,
                     Value& value) override;

private:
    void ReadHeader(std::string_view header);

    std::string definition_, name_, body_;
    std::vector<std::string> params_;
    std::shared_ptr<const TCompiledExpression> compiledBody_;
};

// An owning list of user functions.
class TQzIParserFunctions {
public:
    TQzIParserFunctions() = default;
    ~TQzIParserFunctions();
    TQzIParserFunctions(const TQzIParserFunctions&) = delete;
    TQzIParserFunctions& operator=(const TQzIParserFunctions&) = delete;

    // Defines and appends a function; nothing is appended when the
    // definition is rejected.
    TQzIParserFunction* Add(std::string_view definition);
    // nullptr outside 0 .. Count() - 1.
    TQzIParserFunction* Get(std::int32_t index) const;
    // Throws EListError outside 0 .. Count() - 1.
    void Delete(std::int32_t index);
    // The first function of that name (ASCII letter case ignored).
    TQzIParserFunction* FindByName(std::string_view name) const;
    std::int32_t Count() const { return std::int32_t(items_.size()); }

private:
    std::vector<std::unique_ptr<TQzIParserFunction>> items_;
};

// The process-wide list; holds PI ("PI=3.14") from the start.
TQzIParserFunctions& GlobalFunctions();

// Evaluates the global user function called name with args into value; false
// (value untouched) when there is none.
bool EvaluateUserFunction(const std::string& name, const ArgumentSlots& args, Value& value);

} // namespace ostrane
