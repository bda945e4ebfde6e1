#include "examiner/PascalConditions.h"

#include "components/AsciiText.h"

#include <optional>
#include <unordered_map>

namespace vireo {

namespace {

// What `fpc -va` names as defined for a console program on x86-64 Linux.
constexpr const char* kPredefined[] = {
    "FPC", "VER3", "VER3_2", "VER3_2_2", "UNIX", "LINUX", "HASUNIX", "CONSOLE", "CPU64", "CPUX86_64", "CPUAMD64",
    "CPUX64", "CPUINT64", "CPUATHLON64", "FPUSSE64", "ENDIAN_LITTLE", "FPC_LITTLE_ENDIAN", "FPC_HAS_UNICODESTRING",
    "FPC_HAS_CPSTRING", "FPC_HAS_CONSTREF", "FPC_HAS_OPERATOR_ENUMERATOR", "FPC_HAS_WINLIKERESOURCES",
    "FPC_HAS_TYPE_SINGLE", "FPC_HAS_TYPE_DOUBLE", "FPC_HAS_TYPE_EXTENDED", "FPC_HAS_CEXTENDED",
    "FPC_HAS_FEATURE_THREADING", "FPC_HAS_FEATURE_DYNLIBS", "FPC_HAS_FEATURE_CLASSES", "FPC_HAS_FEATURE_EXCEPTIONS",
    "FPC_HAS_FEATURE_VARIANTS", "FPC_HAS_FEATURE_UNICODESTRINGS", "FPC_HAS_FEATURE_WIDESTRINGS",
    "FPC_HAS_FEATURE_ANSISTRINGS", "FPC_HAS_FEATURE_RTTI", "FPC_HAS_FEATURE_TEXTIO", "FPC_HAS_FEATURE_FILEIO",
    "FPC_HAS_FEATURE_CONSOLEIO", "FPC_HAS_FEATURE_HEAP", "FPC_HAS_FEATURE_INITFINAL", "FPC_HAS_FEATURE_OBJECTS",
    "FPC_HAS_FEATURE_PROCESSES", "FPC_HAS_FEATURE_RESOURCES", "FPC_HAS_FEATURE_DYNARRAYS",
    "FPC_HAS_FEATURE_COMMANDARGS", "FPC_HAS_FEATURE_RANDOM", "FPC_HAS_FEATURE_EXITCODE", "FPC_HAS_FEATURE_SUPPORT",
    "FPC_HAS_MEMBAR", "FPC_HAS_INTERNAL_ROX", "FPC_HAS_INTERNAL_SAR", "FPC_HAS_INTERNAL_BSF", "FPC_HAS_INTERNAL_BSR",
    "FPC_HAS_RESSTRINITS", "FPC_WIDESTRING_EQUAL_UNICODESTRING", "FPC_LINK_STATIC", "CPUX86_HAS_SSE2",
};

const std::unordered_map<std::string_view, long long>& MacroValues()
{
    static const std::unordered_map<std::string_view, long long> values = {
        {"FPC_FULLVERSION", 30202}, {"FPC_VERSION", 3}, {"FPC_RELEASE", 2}, {"FPC_PATCH", 2},
        {"TRUE", 1},                {"FALSE", 0},
    };
    return values;
}

bool IsNameChar(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

// A {$if} expression over upper-cased text: Pascal's precedence (relations, then or/xor/+/-, then
// and/*/div/mod, then not), defined() and undefined(), numbers and the version macros. Anything
// else is undecided (nullopt), and so is the whole when it matters.
class Expression {
public:
    Expression(std::string_view text, const std::unordered_set<std::string>& defined)
        : text_(text), defined_(defined)
    {
    }

    std::optional<long long> Run()
    {
        auto value = Relation();
        Blanks();
        return ok_ && at_ == text_.size() ? value : std::nullopt;
    }

private:
    using Value = std::optional<long long>;

    void Blanks()
    {
        while (at_ < text_.size() && static_cast<unsigned char>(text_[at_]) <= ' ')
            ++at_;
    }
    std::string_view Word()
    {
        Blanks();
        std::size_t end = at_;
        while (end < text_.size() && IsNameChar(text_[end]))
            ++end;
        return text_.substr(at_, end - at_);
    }
    bool Accept(std::string_view symbol)
    {
        Blanks();
        if (text_.substr(at_, symbol.size()) != symbol)
            return false;
        // A word operator must not run on into a longer name.
        if (IsNameChar(symbol.back()) && at_ + symbol.size() < text_.size() && IsNameChar(text_[at_ + symbol.size()]))
            return false;
        at_ += symbol.size();
        return true;
    }

    Value Relation()
    {
        const Value left = Sum();
        for (const std::string_view op : {"<>", "<=", ">=", "=", "<", ">"}) {
            if (!Accept(op))
                continue;
            const Value right = Sum();
            if (!left || !right)
                return std::nullopt;
            const long long a = *left, b = *right;
            return op == "<>" ? a != b : op == "<=" ? a <= b : op == ">=" ? a >= b : op == "=" ? a == b
                 : op == "<"  ? a < b  : a > b;
        }
        return left;
    }

    Value Sum()
    {
        Value value = Product();
        while (true) {
            if (Accept("OR")) {
                const Value right = Product();
                value = (value && *value != 0) || (right && *right != 0) ? Value(1)
                        : value && right                                 ? Value(0)
                                                                          : std::nullopt;
            } else if (Accept("XOR")) {
                const Value right = Product();
                value = value && right ? Value((*value != 0) != (*right != 0)) : std::nullopt;
            } else if (Accept("+") || Accept("-")) {
                const bool plus = text_[at_ - 1] == '+';
                const Value right = Product();
                value = value && right ? Value(plus ? *value + *right : *value - *right) : std::nullopt;
            } else {
                return value;
            }
        }
    }

    Value Product()
    {
        Value value = Factor();
        while (true) {
            if (Accept("AND")) {
                const Value right = Factor();
                value = (value && *value == 0) || (right && *right == 0) ? Value(0)
                        : value && right                                  ? Value(1)
                                                                          : std::nullopt;
            } else if (Accept("*")) {
                const Value right = Factor();
                value = value && right ? Value(*value * *right) : std::nullopt;
            } else {
                return value;
            }
        }
    }

    Value Factor()
    {
        if (Accept("NOT")) {
            const Value inner = Factor();
            return inner ? Value(*inner == 0) : std::nullopt;
        }
        if (Accept("(")) {
            const Value inner = Relation();
            ok_ = ok_ && Accept(")");
            return inner;
        }
        const std::string_view word = Word();
        if (word.empty()) {
            ok_ = false;
            return std::nullopt;
        }
        at_ += word.size();
        if (word.front() >= '0' && word.front() <= '9')
            return Number(word);
        if (Accept("(")) {
            const std::string_view argument = Word();
            at_ += argument.size();
            ok_ = ok_ && Accept(")");
            if (word == "DEFINED" || word == "UNDEFINED")
                return Value(defined_.contains(std::string(argument)) == (word == "DEFINED"));
            return std::nullopt;
        }
        const auto known = MacroValues().find(word);
        return known == MacroValues().end() ? std::nullopt : Value(known->second);
    }

    Value Number(std::string_view digits)
    {
        long long value = 0;
        for (const char c : digits) {
            if (c < '0' || c > '9') {
                ok_ = false;
                return std::nullopt;
            }
            value = value * 10 + (c - '0');
        }
        return value;
    }

    std::string_view text_;
    const std::unordered_set<std::string>& defined_;
    std::size_t at_ = 0;
    bool ok_ = true;
};

// The directive's name (upper-cased, after the "$") and the rest of its text.
std::pair<std::string, std::string> Split(std::string_view directive)
{
    const std::string upper = UpperCaseAscii(directive.substr(directive.starts_with("$") ? 1 : 0));
    std::size_t end = 0;
    while (end < upper.size() && IsNameChar(upper[end]))
        ++end;
    std::size_t rest = end;
    while (rest < upper.size() && static_cast<unsigned char>(upper[rest]) <= ' ')
        ++rest;
    return {upper.substr(0, end), upper.substr(rest)};
}

// The first name of a directive's argument ({$ifdef X}, {$define X := 1}).
std::string FirstName(std::string_view text)
{
    std::size_t end = 0;
    while (end < text.size() && IsNameChar(text[end]))
        ++end;
    return std::string(text.substr(0, end));
}

} // namespace

PascalConditions::PascalConditions() : defined_(std::begin(kPredefined), std::end(kPredefined)) {}

bool PascalConditions::Active() const
{
    return levels_.empty() ||
           (levels_.back().outerActive &&
            (levels_.back().branch == Branch::Taking || levels_.back().branch == Branch::Undecided));
}

PascalConditions::Branch PascalConditions::Start(int condition)
{
    return condition < 0 ? Branch::Undecided : condition > 0 ? Branch::Taking : Branch::Waiting;
}

int PascalConditions::Evaluate(std::string_view expression) const
{
    const auto value = Expression(expression, defined_).Run();
    return value ? int(*value != 0) : -1;
}

void PascalConditions::Open(int condition)
{
    const bool outer = Active();
    // Inside a skipped branch nothing is evaluated: every branch stays skipped.
    levels_.push_back({outer, outer ? Start(condition) : Branch::Taken});
}

void PascalConditions::Alternative(std::string_view expression, bool unconditional)
{
    if (levels_.empty())
        return;
    Branch& branch = levels_.back().branch;
    if (branch == Branch::Taking)
        branch = Branch::Taken;
    else if (branch == Branch::Waiting)
        branch = unconditional ? Branch::Taking : Start(Evaluate(expression));
}

bool PascalConditions::Take(std::string_view directive)
{
    const auto [name, rest] = Split(directive);
    if (name == "IFDEF" || name == "IFNDEF") {
        Open(int(defined_.contains(FirstName(rest)) == (name == "IFDEF")));
    } else if (name == "IF") {
        Open(Evaluate(rest));
    } else if (name == "IFOPT") {
        Open(-1);
    } else if (name == "ELSEIF") {
        Alternative(rest, false);
    } else if (name == "ELSE") {
        Alternative(rest, true);
    } else if (name == "ENDIF" || name == "IFEND") {
        if (!levels_.empty())
            levels_.pop_back();
    } else {
        if (!Active())
            return false;
        if (name == "DEFINE")
            defined_.insert(FirstName(rest));
        else if (name == "UNDEF")
            defined_.erase(FirstName(rest));
        else if (name == "MODE")
            defined_.insert("FPC_" + FirstName(rest));
        return false;
    }
    return true;
}

} // namespace vireo
