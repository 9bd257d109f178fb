#include "expression/Component.h"

#include "platform/Exceptions.h"
#include "platform/FormatSettings.h"
#include "util/QzIUtils.h"

namespace ostrane {

// --- TCompiledExpression -----------------------------------------------------

TCompiledExpression::TCompiledExpression(std::string_view text, TExpOwner* owner)
    : text_(text), decimalSeparator_(CurrentFormatSettings().DecimalSeparator) {
    try {
        TokenizeAll(parser_, text_);
        std::vector<TExpToken*> tokens;
        tokens.reserve(parser_.Tokens().size());
        for (const auto& token : parser_.Tokens()) tokens.push_back(token.get());
        root_ = std::make_unique<TExpNode>(owner, std::move(tokens), nullptr);
        root_->Build();
    } catch (...) {
        root_.reset();
        error_ = std::current_exception();
    }
}

TCompiledExpression::~TCompiledExpression() {
    root_.reset();
}

Value TCompiledExpression::Evaluate() const {
    if (error_) std::rethrow_exception(error_);
    return root_->Evaluate();
}

const Value& TCompiledExpression::Evaluate(Value& scratch) const {
    if (error_) std::rethrow_exception(error_);
    return root_->Evaluate(scratch);
}

bool TCompiledExpression::Matches(std::string_view text) const {
    return text == text_ && decimalSeparator_ == CurrentFormatSettings().DecimalSeparator;
}

// --- TQzIParser ----------------------------------------------------------------

Value TQzIParser::Evaluate() {
    if (!compiled_ || !compiled_->Matches(Text))
        compiled_ = std::make_shared<const TCompiledExpression>(Text, this);
    // Held here so that a handler that changes Text and evaluates again
    // cannot free the tree being walked.
    const std::shared_ptr<const TCompiledExpression> compiled = compiled_;
    Value result = compiled->Evaluate();
    lastResult_ = result;
    return result;
}

bool TQzIParser::RaiseEvent(const std::string& name, const ArgumentSlots& args, bool isChild,
                            Value& value) {
    bool done = false;
    OnEvaluate(this, name, args, ArgumentSlotCount, isChild, value, done);
    return done;
}

void TQzIParser::ResolveWord(const std::string& name, const ArgumentSlots& args, bool isChild,
                             Value& value) {
    if (!ProcessBeforeEvent && OnEvaluate) {
        if (RaiseEvent(name, args, isChild, value)) return;
    } else {
        value.SetText(name);
    }
    if (EvaluateUserFunction(name, args, value)) return;
    if (ProcessBeforeEvent && OnEvaluate) RaiseEvent(name, args, isChild, value);
}

// --- TQzIParserFunction --------------------------------------------------------

namespace {

void ThrowParse(std::string_view pattern, std::string_view argument) {
    throw EQzIParseException(FormatMessage(pattern, argument));
}

constexpr std::string_view HeaderNotValid = msg::FunctionHeaderNotValid;

} // namespace

void TQzIParserFunction::SetDefinition(std::string_view definition) {
    params_.clear();
    definition_ = definition;
    name_.clear();
    body_.clear();
    compiledBody_.reset();
    const std::size_t equals = definition.find('=');
    if (equals == std::string_view::npos) return; // a function no word can reach
    body_ = definition.substr(equals + 1);
    ReadHeader(definition.substr(0, equals));
}

// name [ "(" word { "," word } ")" ]; other tokens between the words are
// skipped.
void TQzIParserFunction::ReadHeader(std::string_view header) {
    TExpParser parser;
    parser.SetText(header);
    const TExpToken* token = parser.FirstToken();
    if (!token || token->Kind != tkWord) ThrowParse(msg::FunctionNotValid, definition_);
    name_ = token->Text;

    token = parser.ReadToken();
    if (!token) return;
    bool listOpen = false;
    if (token->Kind == tkParen) {
        if (token->Text != "(") ThrowParse(HeaderNotValid, header);
        listOpen = true;
    }
    bool separatorExpected = false;
    while ((token = parser.ReadToken()) != nullptr) {
        if (token->Kind == tkParen) {
            if (listOpen && token->Text == ")") return;
            ThrowParse(HeaderNotValid, header);
        }
        if (separatorExpected) {
            if (token->Kind != tkComma) ThrowParse(msg::DelimiterExpected, ",");
            separatorExpected = false;
        } else if (token->Kind == tkWord) {
            // Only ArgumentSlotCount values reach a function.
            if (params_.size() == std::size_t(ArgumentSlotCount))
                throw EQzIParseException(std::string(msg::TooManyArguments));
            params_.push_back(token->Text);
            separatorExpected = true;
        }
    }
    if (listOpen) ThrowParse(HeaderNotValid, header);
}

void TQzIParserFunction::Evaluate(Value& value) {
    if (!compiledBody_ || !compiledBody_->Matches(body_))
        compiledBody_ = std::make_shared<const TCompiledExpression>(body_, this);
    const std::shared_ptr<const TCompiledExpression> body = compiledBody_;
    value = body->Evaluate();
}

void TQzIParserFunction::ResolveParameter(const std::string& name, Value& value) const {
    for (std::size_t i = 0; i < params_.size(); ++i) {
        if (EqualsIgnoreCaseAscii(name, params_[i])) {
            value = ParamValues[i];
            return;
        }
    }
}

void TQzIParserFunction::ResolveWord(const std::string& name, const ArgumentSlots&, bool,
                                     Value& value) {
    ResolveParameter(name, value);
}

// --- TQzIParserFunctions -------------------------------------------------------

TQzIParserFunctions::~TQzIParserFunctions() {
    while (!items_.empty()) items_.pop_back();
}

TQzIParserFunction* TQzIParserFunctions::Add(std::string_view definition) {
    auto function = std::make_unique<TQzIParserFunction>();
    function->SetDefinition(definition);
    items_.push_back(std::move(function));
    return items_.back().get();
}

TQzIParserFunction* TQzIParserFunctions::Get(std::int32_t index) const {
    if (index < 0 || index >= Count()) return nullptr;
    return items_[std::size_t(index)].get();
}

void TQzIParserFunctions::Delete(std::int32_t index) {
    if (index < 0 || index >= Count())
        throw EListError(FormatMessage(msg::ListIndexOutOfBounds, std::to_string(index)));
    items_.erase(items_.begin() + index);
}

TQzIParserFunction* TQzIParserFunctions::FindByName(std::string_view name) const {
    for (const auto& function : items_) {
        if (EqualsIgnoreCaseAscii(function->Name(), name)) return function.get();
    }
    return nullptr;
}

TQzIParserFunctions& GlobalFunctions() {
    static TQzIParserFunctions functions;
    static const bool piAdded = [] {
        TQzIParserFunction* pi = functions.Add("PI=3.14");
        pi->Description = "PI value";
        pi->Category = "Constants";
        pi->Group = "<All>";
        return true;
    }();
    (void)piAdded;
    return functions;
}

bool EvaluateUserFunction(const std::string& name, const ArgumentSlots& args, Value& value) {
    TQzIParserFunction* function = GlobalFunctions().FindByName(name);
    if (function == nullptr) return false;
    function->SetArguments(args);
    function->Evaluate(value);
    return true;
}

} // namespace ostrane
