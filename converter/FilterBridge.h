// The filter of a run: gives the words of a filter expression their meaning
// in a dBase record (field names, double-quoted texts, SUBSTITUTE) and tells
// whether the record just loaded passes.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "expression/Component.h"
#include "platform/Value.h"

namespace ostrane {

struct TA;

// Removes a leading open and a trailing close byte from a non-empty text
// that has both; a one-byte text whose byte is both becomes empty.
bool StripEnclosing(char open, char close, std::string& text);

// The filter expression of one run, parsed at its first evaluation and
// reused for every record.  Parsing is deterministic, so every result and
// every error is the one a fresh parse per record would give.  Words are
// resolved as the expression component resolves them (this filter's meaning
// first, then the user functions); a word without arguments has its meaning
// worked out once, so a record costs a field lookup by position.
class TFilter : private TExpOwner {
public:
    TFilter(TA& ta, std::string filterText);
    TFilter(const TFilter&) = delete;
    TFilter& operator=(const TFilter&) = delete;

    // The filter's value for the current record.
    Value Evaluate();
    // The same into scratch, or a field's own value.
    const Value& Evaluate(Value& scratch);
    // Upper-cased names of the table's fields.
    std::vector<std::string> UpperFieldNames() const;
    // One flag per field of the table: whether a word of the filter names
    // it, so that its value may be asked for.  Every flag is set when the
    // text does not tokenize (its words cannot be told apart).
    std::vector<bool> NamedFields() const;

private:
    // What a word means; it depends only on the word's text, so it is worked
    // out once per word and remembered.
    struct WordMeaning {
        enum Kind { Field, Quoted, Substitute, Other } kind;
        std::int32_t field = -1;
        std::string text; // Quoted / Other: the word's value
    };
    // A word without arguments, by its index in the tree: a field, or the
    // value the meaning gives it (which a user function of its name may
    // still replace).
    struct LeafWord {
        bool known = false;
        std::int32_t field = -1;
        Value constant;
    };

    void ResolveWord(const std::string& name, const ArgumentSlots& args, bool isChild,
                     Value& value) override;
    const Value& ResolveLeafWord(const TExpNode& word, Value& scratch) override;
    LeafWord WorkOutLeafWord(const TExpNode& word) const;
    static void ApplyMeaning(const WordMeaning& meaning, const ArgumentSlots& args, Value& value);
    const WordMeaning& MeaningOf(const std::string& word);
    WordMeaning WorkOutMeaning(std::string word) const;
    static void Substitute(const ArgumentSlots& args, Value& value);

    TA& ta_;
    std::int32_t fieldCount_ = 0;
    std::string text_;
    std::unique_ptr<TCompiledExpression> compiled_;
    // For compiled_, by word index; a deque, so that growing it leaves the
    // constants handed out during an evaluation where they are.
    std::deque<LeafWord> leafWords_;
    // Upper-cased field name -> first field of that name.
    std::unordered_map<std::string, std::int32_t> fieldByName_;
    // Preset word text -> meaning; a filter has few words, so a short list.
    std::vector<std::pair<std::string, WordMeaning>> meanings_;
};

// The first word of a filter text that begins with a word operator (AND, OR,
// NOT) and goes on: the tokenizer drops blanks inside words, so "1 AND x"
// reads as "1" and "ANDx".  Words that are field names (upper-cased in
// upperFieldNames) and function calls such as ORD(...) do not count.  Empty
// when there is none.
std::string OperatorJoinedWord(std::string_view filterText,
                               const std::vector<std::string>& upperFieldNames);

// The value of the filter text for the current record of ta.
Value EvaluateFilter(TA& ta, const std::string& filterText);

// Evaluates ta.FilterText for the current record and converts the result to
// a truth value.  Called only for delivered records and a non-empty filter.
bool RecordPassesFilter(TA& ta);

} // namespace ostrane
