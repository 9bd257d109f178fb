#include "converter/FilterBridge.h"
#include "platform/AsciiCase.h"

#include <algorithm>

#include "converter/Run.h"
#include "converter/Warnings.h"
#include "dbase/QzDBF.h"
#include "expression/TextHelpers.h"
#include "expression/Tokenizer.h"
#include "expression/Tree.h"
#include "framework/QzCells.h"
#include "platform/Exceptions.h"
#include "util/QzIUtils.h"

namespace ostrane {
namespace {

// The arguments of a word written without any.
const ArgumentSlots kNoArguments{};

} // namespace

bool StripEnclosing(char open, char close, std::string& text) {
    if (text.empty() || text.front() != open || text.back() != close) return false;
    if (text.size() == 1) {
        text.clear();
    } else {
        text.erase(text.size() - 1, 1);
        text.erase(0, 1);
    }
    return true;
}

TFilter::TFilter(TA& ta, std::string filterText) : ta_(ta) {
    TDBFHeader header;
    ta_.Reader->GetHeader(header);
    TDBFField field;
    fieldCount_ = std::max(header.FieldCount, 0);
    for (std::int32_t i = 0; i < header.FieldCount; ++i) {
        ta_.Reader->GetField(i, field);
        fieldByName_.try_emplace(UpperCaseAscii(field.Name), i);
    }
    text_ = std::move(filterText);
}

// Compiled again only when the text would now parse differently (another
// decimal separator), as the expression component does.
Value TFilter::Evaluate() {
    Value scratch;
    const Value& result = Evaluate(scratch);
    if (&result == &scratch) return scratch;
    return result;
}

const Value& TFilter::Evaluate(Value& scratch) {
    if (!compiled_ || !compiled_->Matches(text_)) {
        leafWords_.clear();
        compiled_ = std::make_unique<TCompiledExpression>(text_, static_cast<TExpOwner*>(this));
    }
    return compiled_->Evaluate(scratch);
}

// A word with arguments: this filter's meaning, then a user function of that
// name.  The value arrives preset with the word's text (one pair of square
// brackets already removed).
void TFilter::ResolveWord(const std::string& name, const ArgumentSlots& args, bool, Value& value) {
    if (value.Kind() != ValueKind::ByteText) value.SetText(value.ToText());
    const WordMeaning& meaning = MeaningOf(value.TextPayload());
    if (meaning.kind == WordMeaning::Field) {
        AssignFieldValue(ta_, meaning.field, value);
        return;
    }
    ApplyMeaning(meaning, args, value);
    EvaluateUserFunction(name, args, value);
}

// The same for a word without arguments, with its meaning looked up by
// index; a field is read where the record keeps it.
const Value& TFilter::ResolveLeafWord(const TExpNode& word, Value& scratch) {
    if (word.WordIndex() < 0) return TExpOwner::ResolveLeafWord(word, scratch);
    const auto index = std::size_t(word.WordIndex());
    if (index >= leafWords_.size()) leafWords_.resize(index + 1);
    LeafWord& leaf = leafWords_[index];
    if (!leaf.known) leaf = WorkOutLeafWord(word);
    if (leaf.field >= 0) return FieldValueIn(ta_, leaf.field, scratch);
    if (EvaluateUserFunction(word.Token()->Text, kNoArguments, scratch)) return scratch;
    return leaf.constant;
}

TFilter::LeafWord TFilter::WorkOutLeafWord(const TExpNode& word) const {
    LeafWord leaf;
    leaf.known = true;
    const WordMeaning meaning = WorkOutMeaning(std::string(word.Preset()));
    if (meaning.kind == WordMeaning::Field) {
        leaf.field = meaning.field;
    } else {
        leaf.constant.SetText(word.Preset());
        ApplyMeaning(meaning, kNoArguments, leaf.constant);
    }
    return leaf;
}

// A word that names no field: a quoted text stands for itself; an other
// word or SUBSTITUTE's result becomes Null when empty.
void TFilter::ApplyMeaning(const WordMeaning& meaning, const ArgumentSlots& args, Value& value) {
    switch (meaning.kind) {
    case WordMeaning::Field: return;
    case WordMeaning::Quoted: value.SetText(meaning.text); return;
    case WordMeaning::Substitute: Substitute(args, value); break;
    case WordMeaning::Other: value.SetText(meaning.text); break;
    }
    if (value.IsText() && value.TextPayload().empty()) value.SetNull();
}

const TFilter::WordMeaning& TFilter::MeaningOf(const std::string& word) {
    for (const auto& [known, meaning] : meanings_)
        if (known == word) return meaning;
    meanings_.emplace_back(word, WorkOutMeaning(word));
    return meanings_.back().second;
}

TFilter::WordMeaning TFilter::WorkOutMeaning(std::string word) const {
    if (!word.empty()) {
        StripEnclosing('[', ']', word);
        if (StripEnclosing('"', '"', word)) return {WordMeaning::Quoted, -1, word};
    }
    const std::string upper = UpperCaseAscii(word);
    if (auto found = fieldByName_.find(upper); found != fieldByName_.end())
        return {WordMeaning::Field, found->second, {}};
    if (upper == "SUBSTITUTE") return {WordMeaning::Substitute, -1, {}};
    return {WordMeaning::Other, -1, word};
}

// SUBSTITUTE(x, "k1;k2;...", "v1;v2;..."): the value at the position of the
// first key equal to x, Null when there is none.
void TFilter::Substitute(const ArgumentSlots& args, Value& value) {
    value.SetNull();
    std::string keys = args[1].ToText();
    if (keys.empty()) return;
    std::string values = args[2].ToText();
    const std::string wanted = args[0].ToText();
    while (!keys.empty()) {
        const std::string key = NextToken(';', keys);
        std::string entry = NextToken(';', values);
        if (key == wanted) {
            value.SetText(entry);
            return;
        }
    }
}

std::vector<bool> TFilter::NamedFields() const {
    std::vector<bool> named(std::size_t(fieldCount_), false);
    TExpParser tokenizer;
    try {
        TokenizeAll(tokenizer, text_);
    } catch (const Exception&) {
        named.assign(named.size(), true);
        return named;
    }
    for (const auto& token : tokenizer.Tokens()) {
        if (token->Kind != tkWord) continue;
        // The word as the tree hands it over.
        const WordMeaning meaning = WorkOutMeaning(std::string(WordPreset(token->Text)));
        if (meaning.kind == WordMeaning::Field) named[std::size_t(meaning.field)] = true;
    }
    return named;
}

std::vector<std::string> TFilter::UpperFieldNames() const {
    std::vector<std::string> names;
    for (const auto& entry : fieldByName_) names.push_back(entry.first);
    return names;
}

namespace {

bool IsWordOperator(std::string_view text) {
    return !text.empty() && IsAsciiUpper(text.front());
}

bool IsQuoted(const std::string& word) {
    return !word.empty() && (word.front() == '\'' || word.front() == '"' || word.front() == '[');
}

// The word operator that word begins with and goes on after, if any.
std::string_view LeadingWordOperator(const std::string& upperWord) {
    for (std::string_view op : OperatorTable) {
        if (IsWordOperator(op) && upperWord.size() > op.size() && upperWord.starts_with(op))
            return op;
    }
    return {};
}

// A filter that does not compile may owe it to an operator that took in the
// word after it: say so, with the way out.
void HintAtJoinedOperator(const TFilter& filter, const std::string& filterText) {
    const std::string word = OperatorJoinedWord(filterText, filter.UpperFieldNames());
    if (word.empty()) return;
    const std::string op(LeadingWordOperator(UpperCaseAscii(word)));
    Warn("the filter word \"" + word + "\" begins with the operator " + op + ": " + op +
         " joins the word after it (blanks inside words are dropped), so put each operand in "
         "parentheses, as in (a) " +
         op + " (b)");
}

} // namespace

std::string OperatorJoinedWord(std::string_view filterText,
                               const std::vector<std::string>& upperFieldNames) {
    TExpParser tokenizer;
    try {
        TokenizeAll(tokenizer, filterText);
    } catch (const Exception&) {
        // An illegal character: the tokens before it are still looked at.
    }
    const auto& tokens = tokenizer.Tokens();
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        const TExpToken& token = *tokens[i];
        if (token.Kind != tkWord || IsQuoted(token.Text)) continue;
        const std::string upper = UpperCaseAscii(token.Text);
        if (LeadingWordOperator(upper).empty()) continue;
        const bool call = i + 1 < tokens.size() && tokens[i + 1]->Text == "(";
        const bool field = std::find(upperFieldNames.begin(), upperFieldNames.end(), upper) !=
                           upperFieldNames.end();
        if (!call && !field) return token.Text;
    }
    return {};
}

namespace {

const Value& EvaluateFilterInto(TA& ta, const std::string& filterText, Value& scratch) {
    if (!ta.Filter) ta.Filter = std::make_unique<TFilter>(ta, filterText);
    try {
        return ta.Filter->Evaluate(scratch);
    } catch (const EQzIParseException&) {
        HintAtJoinedOperator(*ta.Filter, filterText);
        throw;
    }
}

} // namespace

Value EvaluateFilter(TA& ta, const std::string& filterText) {
    Value scratch;
    const Value& result = EvaluateFilterInto(ta, filterText, scratch);
    if (&result == &scratch) return scratch;
    return result;
}

bool RecordPassesFilter(TA& ta) {
    Value scratch;
    return EvaluateFilterInto(ta, ta.FilterText, scratch).ToBoolean();
}

} // namespace ostrane
