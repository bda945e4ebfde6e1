#include "examiner/PascalReader.h"

#include "components/AsciiText.h"
#include "examiner/PascalConditions.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

namespace vireo {

namespace {

constexpr std::size_t kNoLine = std::size_t(-1);

PascalWord WordOf(std::string_view text)
{
    static const std::unordered_map<std::string_view, PascalWord> words = {
        {"ADDDEBUG", PascalWord::AddDebug},
        {"ASM", PascalWord::Asm},
        {"BEGIN", PascalWord::Begin},
        {"CASE", PascalWord::Case},
        {"CLASS", PascalWord::Class},
        {"CONST", PascalWord::Const},
        {"CONSTRUCTOR", PascalWord::Constructor},
        {"CPPCLASS", PascalWord::CppClass},
        {"DESTRUCTOR", PascalWord::Destructor},
        {"DISPINTERFACE", PascalWord::DispInterface},
        {"DO", PascalWord::Do},
        {"ELSE", PascalWord::Else},
        {"END", PascalWord::End},
        {"EXCEPT", PascalWord::Except},
        {"EXPORTS", PascalWord::Exports},
        {"EXTERNAL", PascalWord::External},
        {"FOR", PascalWord::For},
        {"FORWARD", PascalWord::Forward},
        {"FUNCTION", PascalWord::Function},
        {"GENERIC", PascalWord::Generic},
        {"HELPER", PascalWord::Helper},
        {"IMPLEMENTATION", PascalWord::Implementation},
        {"INITIALIZATION", PascalWord::Initialization},
        {"FINALIZATION", PascalWord::Finalization},
        {"INTERFACE", PascalWord::Interface},
        {"LABEL", PascalWord::Label},
        {"LIBRARY", PascalWord::Library},
        {"OBJCCATEGORY", PascalWord::ObjcCategory},
        {"OBJCCLASS", PascalWord::ObjcClass},
        {"OBJCPROTOCOL", PascalWord::ObjcProtocol},
        {"OBJECT", PascalWord::Object},
        {"OF", PascalWord::Of},
        {"ON", PascalWord::On},
        {"OPERATOR", PascalWord::Operator},
        {"PROCEDURE", PascalWord::Procedure},
        {"PROGRAM", PascalWord::Program},
        {"PROPERTY", PascalWord::Property},
        {"RECORD", PascalWord::Record},
        {"REPEAT", PascalWord::Repeat},
        {"RESOURCESTRING", PascalWord::ResourceString},
        {"THREADVAR", PascalWord::ThreadVar},
        {"TRY", PascalWord::Try},
        {"TYPE", PascalWord::Type},
        {"UNIT", PascalWord::Unit},
        {"UNITFILENAME", PascalWord::UnitFileName},
        {"USES", PascalWord::Uses},
        {"VAR", PascalWord::Var},
        {"VIREO", PascalWord::Vireo},
        {"WHILE", PascalWord::While},
    };
    // Upper-cased into a local buffer: no allocation for the millions of words of a large unit.
    char upper[16];
    if (text.size() > sizeof upper)
        return PascalWord::Other;
    for (std::size_t i = 0; i < text.size(); ++i)
        upper[i] = UpperCaseAscii(text[i]);
    const auto found = words.find(std::string_view(upper, text.size()));
    return found == words.end() ? PascalWord::Other : found->second;
}

bool IsLetter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool IsHexDigit(char c)
{
    return IsDigit(c) || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

// Splits the text into tokens. Comments may span lines; nothing else does.
class Lexer {
public:
    // Reads the given lines, which must outlive the lexer.
    explicit Lexer(const std::vector<std::string>& lines) : lines_(lines) {}

    // Every token of the text, in order.
    std::vector<PascalToken> Run()
    {
        for (line_ = 0; line_ < lines_.size(); ++line_) {
            column_ = 0;
            while (line_ < lines_.size() && column_ < Text().size())
                Next();
        }
        return std::move(tokens_);
    }

private:
    std::string_view Text() const { return lines_[line_]; }
    char At(std::size_t column) const { return column < Text().size() ? Text()[column] : '\0'; }

    void Next()
    {
        const char c = At(column_);
        const char d = At(column_ + 1);
        if (static_cast<unsigned char>(c) <= ' ') {
            ++column_;
        } else if (c == '{') {
            Braced();
        } else if (c == '(' && d == '*') {
            Starred();
        } else if (c == '/' && d == '/') {
            Add(PascalTokenKind::Comment, Text().size());
        } else if (c == '\'') {
            Quoted();
        } else if (c == '#') {
            std::size_t end = column_ + 1;
            if (At(end) == '$')
                ++end;
            while (IsHexDigit(At(end)))
                ++end;
            Add(PascalTokenKind::String, end);
        } else if (IsLetter(c) || (c == '&' && IsLetter(d))) {
            std::size_t end = column_ + 1;
            while (IsLetter(At(end)) || IsDigit(At(end)))
                ++end;
            const auto word = c == '&' ? PascalWord::Other : WordOf(Text().substr(column_, end - column_));
            Add(PascalTokenKind::Word, end).word = word;
        } else if (IsDigit(c) || ((c == '$' || c == '%' || c == '&') && IsHexDigit(d))) {
            Number();
        } else {
            Add(PascalTokenKind::Symbol, column_ + 1).symbol = c;
        }
    }

    PascalToken& Add(PascalTokenKind kind, std::size_t end)
    {
        PascalToken token;
        token.line = token.endLine = std::uint32_t(line_);
        token.column = std::uint32_t(column_);
        token.endColumn = std::uint32_t(end);
        token.kind = conditions_.Active() ? kind : PascalTokenKind::Inactive;
        column_ = end;
        return tokens_.emplace_back(token);
    }

    void Quoted()
    {
        std::size_t end = column_ + 1;
        while (end < Text().size()) {
            if (Text()[end] == '\'' && At(end + 1) != '\'')
                break;
            end += Text()[end] == '\'' ? 2 : 1;
        }
        Add(PascalTokenKind::String, std::min(end + 1, Text().size()));
    }

    void Number()
    {
        std::size_t end = column_ + 1;
        while (IsHexDigit(At(end)))
            ++end;
        if (At(end) == '.' && IsDigit(At(end + 1))) {
            end += 2;
            while (IsHexDigit(At(end)))
                ++end;
        }
        if ((At(end) == '+' || At(end) == '-') && (At(end - 1) == 'e' || At(end - 1) == 'E')) {
            ++end;
            while (IsDigit(At(end)))
                ++end;
        }
        Add(PascalTokenKind::Number, end);
    }

    void Braced()
    {
        const bool directive = At(column_ + 1) == '$';
        PascalToken token = Start(directive ? PascalTokenKind::Directive : PascalTokenKind::Comment);
        const std::size_t textStart = column_ + 1;
        const std::size_t startLine = line_;
        int depth = 0;
        ++column_;
        while (line_ < lines_.size()) {
            if (column_ >= Text().size()) {
                ++line_;
                column_ = 0;
                continue;
            }
            const char c = Text()[column_++];
            if (c == '{' && nested_ && !directive)
                ++depth;
            else if (c == '}' && depth-- == 0)
                break;
        }
        if (directive)
            FollowDirective(token, TextFrom(startLine, textStart, column_ - 1));
        Finish(token);
    }

    void Starred()
    {
        const bool directive = At(column_ + 2) == '$';
        PascalToken token = Start(directive ? PascalTokenKind::Directive : PascalTokenKind::Comment);
        const std::size_t textStart = column_ + 2;
        const std::size_t startLine = line_;
        column_ += 2;
        while (line_ < lines_.size()) {
            const auto close = Text().find("*)", column_);
            if (close != std::string_view::npos) {
                column_ = close + 2;
                break;
            }
            ++line_;
            column_ = 0;
        }
        if (directive)
            FollowDirective(token, TextFrom(startLine, textStart, column_ - 2));
        Finish(token);
    }

    // The text from a place up to the current line's column end (exclusive), lines joined by a
    // blank; up to the text's end when the comment was not closed.
    std::string TextFrom(std::size_t line, std::size_t column, std::size_t end) const
    {
        std::string text;
        for (; line < lines_.size() && line < line_; ++line, column = 0)
            text.append(lines_[line], std::min(column, lines_[line].size())).push_back(' ');
        if (line < lines_.size())
            text.append(lines_[line].substr(0, std::min(end, lines_[line].size())).substr(std::min(column, end)));
        return text;
    }

    // A directive opens, switches or closes a conditional branch, or, in compiled text, may set
    // the mode; any other directive in skipped text is skipped text itself.
    void FollowDirective(PascalToken& token, std::string_view text)
    {
        const bool active = conditions_.Active();
        if (conditions_.Take(text))
            return;
        if (!active)
            token.kind = PascalTokenKind::Inactive;
        else
            ReadMode(text);
    }

    // A comment in skipped text is skipped text; a directive's kind is settled when it is read.
    PascalToken Start(PascalTokenKind kind) const
    {
        PascalToken token;
        token.line = std::uint32_t(line_);
        token.column = std::uint32_t(column_);
        token.kind = kind == PascalTokenKind::Comment && !conditions_.Active() ? PascalTokenKind::Inactive : kind;
        return token;
    }

    // An unclosed comment runs to the end of the text.
    void Finish(PascalToken token)
    {
        if (line_ >= lines_.size()) {
            token.endLine = std::uint32_t(lines_.size() - 1);
            token.endColumn = std::uint32_t(lines_.back().size());
        } else {
            token.endLine = std::uint32_t(line_);
            token.endColumn = std::uint32_t(column_);
        }
        tokens_.push_back(token);
    }

    // {$mode ...} decides whether { } comments nest.
    void ReadMode(std::string_view directive)
    {
        const std::string upper = UpperCaseAscii(directive);
        if (upper.starts_with("$MODE ")) {
            const std::string_view mode = std::string_view(upper).substr(6);
            nested_ = !(mode.starts_with("DELPHI") || mode.starts_with("TP"));
        }
    }

    const std::vector<std::string>& lines_;
    std::vector<PascalToken> tokens_;
    std::size_t line_ = 0;
    std::size_t column_ = 0;
    bool nested_ = true;
    PascalConditions conditions_;
};

bool IsCode(const PascalToken& token)
{
    return token.kind != PascalTokenKind::Comment && token.kind != PascalTokenKind::Directive &&
           token.kind != PascalTokenKind::Inactive;
}

bool IsRoutineWord(PascalWord word)
{
    return word == PascalWord::Procedure || word == PascalWord::Function || word == PascalWord::Constructor ||
           word == PascalWord::Destructor || word == PascalWord::Operator;
}

// Words that start a type with a body closed by end.
bool IsTypeBodyWord(PascalWord word)
{
    return word == PascalWord::Record || word == PascalWord::Object || word == PascalWord::Class ||
           word == PascalWord::Interface || word == PascalWord::DispInterface || word == PascalWord::ObjcClass ||
           word == PascalWord::ObjcProtocol || word == PascalWord::ObjcCategory || word == PascalWord::CppClass;
}

// Words that start a declaration or end a declaration part: after a routine header, any other
// word is one of its directives (overload, cdecl, external ...).
bool StartsDeclaration(PascalWord word)
{
    switch (word) {
    case PascalWord::Var: case PascalWord::Const: case PascalWord::Type: case PascalWord::Label:
    case PascalWord::Begin: case PascalWord::Asm: case PascalWord::Class: case PascalWord::Generic:
    case PascalWord::ResourceString: case PascalWord::ThreadVar: case PascalWord::Exports:
    case PascalWord::Property: case PascalWord::Implementation: case PascalWord::Initialization:
    case PascalWord::Finalization: case PascalWord::End:
        return true;
    default:
        return IsRoutineWord(word);
    }
}

// Words that end a declaration part.
bool EndsDeclarations(PascalWord word)
{
    return word == PascalWord::Begin || word == PascalWord::Asm || word == PascalWord::End ||
           word == PascalWord::Implementation || word == PascalWord::Initialization || word == PascalWord::Finalization;
}

// Reads the structure over the code tokens (comments and directives left out).
class StructureReader {
public:
    // Reads the tokens already in out, whose text is lines; the rest of out is filled by Run.
    StructureReader(const std::vector<std::string>& lines, PascalStructure& out) : lines_(lines), out_(out)
    {
        for (std::size_t i = 0; i < out.tokens.size(); ++i)
            if (IsCode(out.tokens[i]))
                code_.push_back(i);
        for (std::size_t i = 0; i + 1 < code_.size(); ++i)
            out.hasUnitFileName = out.hasUnitFileName || (Is(PascalWord::UnitFileName, i) && IsSymbol('=', i + 1));
    }

    // Reads the whole text: sections, uses clauses, routines, handlers and loops.
    void Run()
    {
        if (Is(PascalWord::Unit)) {
            out_.isUnit = true;
            out_.headerEnd = SkipPast(';');
            SkipUntil(PascalWord::Interface);
            Advance();
            out_.firstUses = UsesWord();
            out_.firstUsesEnd = ReadUses();
            // The interface part only for its record and object types: its headers have no body.
            interface_ = true;
            while (!AtEnd() && !Is(PascalWord::Implementation)) {
                ReadDeclarations();
                if (!Is(PascalWord::Implementation))
                    Advance();
            }
            interface_ = false;
            if (AtEnd())
                return;
            out_.implementation = Token();
            Advance();
            out_.implementationUsesEnd = ReadUses();
        } else {
            out_.isProgram = !Is(PascalWord::Library);
            if (Is(PascalWord::Program) || Is(PascalWord::Library))
                out_.headerEnd = SkipPast(';');
            out_.firstUses = UsesWord();
            out_.firstUsesEnd = ReadUses();
        }
        // Declarations, then the main block or the initialization and finalization parts; a
        // construct not understood is stepped over and reading goes on after it.
        while (!AtEnd()) {
            ReadDeclarations();
            if (Is(PascalWord::Begin) || Is(PascalWord::Initialization) || Is(PascalWord::Finalization))
                ReadStatements(std::nullopt);
            else if (Is(PascalWord::Asm))
                SkipAsm();
            else
                Advance();
        }
        std::stable_sort(out_.routines.begin(), out_.routines.end(),
                         [](const PascalRoutine& a, const PascalRoutine& b) { return a.headerLine < b.headerLine; });
    }

private:
    bool AtEnd() const { return pos_ >= code_.size(); }
    std::size_t Token(std::size_t ahead = 0) const { return code_[pos_ + ahead]; }
    const PascalToken& Peek(std::size_t ahead = 0) const
    {
        static const PascalToken none;
        return pos_ + ahead < code_.size() ? out_.tokens[code_[pos_ + ahead]] : none;
    }
    bool Is(PascalWord word, std::size_t ahead = 0) const
    {
        const PascalToken& token = Peek(ahead);
        return pos_ + ahead < code_.size() && token.kind == PascalTokenKind::Word && token.word == word;
    }
    bool IsWordAhead(std::size_t ahead) const
    {
        return pos_ + ahead < code_.size() && Peek(ahead).kind == PascalTokenKind::Word;
    }
    bool IsSymbol(char symbol, std::size_t ahead = 0) const
    {
        return pos_ + ahead < code_.size() && Peek(ahead).kind == PascalTokenKind::Symbol && Peek(ahead).symbol == symbol;
    }
    void Advance() { ++pos_; }

    void SkipUntil(PascalWord word)
    {
        while (!AtEnd() && !Is(word))
            Advance();
    }

    // Moves past the next symbol outside brackets and returns its token index.
    std::optional<std::size_t> SkipPast(char symbol)
    {
        int depth = 0;
        for (; !AtEnd(); Advance()) {
            if (IsSymbol('(') || IsSymbol('['))
                ++depth;
            else if (IsSymbol(')') || IsSymbol(']'))
                --depth;
            else if (depth <= 0 && IsSymbol(symbol)) {
                const std::size_t at = Token();
                Advance();
                return at;
            }
        }
        return std::nullopt;
    }

    // From "(" past its matching ")".
    void SkipParentheses()
    {
        int depth = 0;
        do {
            if (IsSymbol('('))
                ++depth;
            else if (IsSymbol(')'))
                --depth;
            Advance();
        } while (!AtEnd() && depth > 0);
    }

    // The current token's index when it is the word "uses".
    std::optional<std::size_t> UsesWord() const
    {
        return Is(PascalWord::Uses) ? std::optional(Token()) : std::nullopt;
    }

    // A uses clause at the current token: notes whether it names Vireo; returns its ";".
    std::optional<std::size_t> ReadUses()
    {
        if (!Is(PascalWord::Uses))
            return std::nullopt;
        for (; !AtEnd() && !IsSymbol(';'); Advance())
            out_.usesVireo = out_.usesVireo || Is(PascalWord::Vireo);
        return SkipPast(';');
    }

    // Declarations up to the word that ends them, with the routines declared there. A routine
    // whose header expects a body stays open while its own declarations (nested routines
    // included) are read, until its begin or asm; the open ones are kept on a stack rather than
    // by recursion, so that any number of headers without a body is read.
    void ReadDeclarations()
    {
        std::vector<OpenRoutine> open;
        // Line of a "class" or "generic" before a routine keyword.
        std::size_t prefixLine = kNoLine;
        while (!AtEnd()) {
            const PascalToken& token = Peek();
            if (token.kind != PascalTokenKind::Word) {
                Advance();
                continue;
            }
            if ((token.word == PascalWord::Class || token.word == PascalWord::Generic) && IsWordAhead(1) &&
                IsRoutineWord(Peek(1).word)) {
                prefixLine = token.line;
                Advance();
            } else if (IsRoutineWord(token.word)) {
                // Without a name it is a procedural type.
                const bool named = (IsWordAhead(1) && !Is(PascalWord::Of, 1)) || token.word == PascalWord::Operator;
                Advance();
                if (named && ReadRoutineHeader())
                    open.push_back({prefixLine == kNoLine ? token.line : prefixLine, token.word});
                prefixLine = kNoLine;
            } else if (IsTypeBodyWord(token.word) || (token.word == PascalWord::Type && Is(PascalWord::Helper, 1))) {
                SkipTypeBody();
            } else if (!EndsDeclarations(token.word)) {
                Advance();
            } else if (!open.empty() && (Is(PascalWord::Begin) || Is(PascalWord::Asm))) {
                ReadRoutineBody(open.back());
                open.pop_back();
            } else {
                return;
            }
        }
    }

    // A type with a body: record, object, class, interface ... up to its end. "class of", forward
    // declarations ("class;", "class(TBase);") and "of object" have none.
    void SkipTypeBody()
    {
        const bool afterOf = pos_ > 0 && out_.tokens[code_[pos_ - 1]].word == PascalWord::Of &&
                             out_.tokens[code_[pos_ - 1]].kind == PascalTokenKind::Word;
        Advance();
        if (afterOf || IsSymbol(';') || Is(PascalWord::Of))
            return;
        if (IsSymbol('(')) {
            SkipParentheses();
            if (IsSymbol(';'))
                return;
        }
        int depth = 1;
        while (!AtEnd() && depth > 0 && !Is(PascalWord::Implementation)) {
            if (Is(PascalWord::End)) {
                --depth;
                Advance();
            } else if (Is(PascalWord::Class) && (IsRoutineWord(Peek(1).word) || Is(PascalWord::Var, 1) ||
                                                  Is(PascalWord::ThreadVar, 1) || Is(PascalWord::Property, 1))) {
                Advance();
            } else if (IsWordAhead(0) && IsTypeBodyWord(Peek().word)) {
                SkipTypeBody();
            } else {
                Advance();
            }
        }
    }

    // The text of the code token at that index of code_.
    std::string_view Text(std::size_t codeIndex) const
    {
        const PascalToken& token = out_.tokens[code_[codeIndex]];
        return std::string_view(lines_[token.line]).substr(token.column, token.endColumn - token.column);
    }

    // A routine whose header was read and whose body is still to come.
    struct OpenRoutine {
        std::size_t headerLine;
        PascalWord keyword;
    };

    // A routine after its keyword: the rest of the header and its directives. Whether a body
    // follows: a forward, external or interface header has none.
    bool ReadRoutineHeader()
    {
        SkipPast(';');
        bool bodiless = false;
        while (!AtEnd() && (IsSymbol('[') || (IsWordAhead(0) && !StartsDeclaration(Peek().word)))) {
            bodiless = bodiless || Is(PascalWord::Forward) || Is(PascalWord::External);
            SkipPast(';');
        }
        return !bodiless && !interface_;
    }

    // The routine's body, from its begin or asm.
    void ReadRoutineBody(const OpenRoutine& routine)
    {
        if (Is(PascalWord::Asm)) {
            SkipAsm();
            return;
        }
        PascalRoutine body;
        body.list = routine.keyword == PascalWord::Function || routine.keyword == PascalWord::Operator
                        ? ExaminerListKind::Functions
                        : ExaminerListKind::Procedures;
        body.headerLine = routine.headerLine;
        body.begin = Token();
        body.instrumented = Is(PascalWord::AddDebug, 1);
        out_.routines.push_back(body);
        ReadStatements(routine.headerLine);
    }

    // An asm block holds no Pascal: up to and past its end.
    void SkipAsm()
    {
        SkipUntil(PascalWord::End);
        Advance();
    }

    // Statements from the current begin to its end, or of an initialization or finalization
    // part up to the next part or the unit's end. routineLine: the header line of the routine.
    void ReadStatements(std::optional<std::size_t> routineLine)
    {
        // Open blocks: -1 for a plain one, else the index of the handler it is in.
        std::vector<long> blocks;
        if (Is(PascalWord::Begin))
            blocks.push_back(-1);
        Advance();
        while (!AtEnd()) {
            const PascalToken& token = Peek();
            if (token.kind != PascalTokenKind::Word) {
                Advance();
                continue;
            }
            switch (token.word) {
            case PascalWord::Begin: case PascalWord::Try: case PascalWord::Case:
                blocks.push_back(-1);
                break;
            case PascalWord::Asm:
                SkipAsm();
                continue;
            case PascalWord::End:
                if (blocks.empty())
                    return;
                blocks.pop_back();
                if (blocks.empty()) {
                    Advance();
                    return;
                }
                break;
            case PascalWord::Initialization: case PascalWord::Finalization:
                if (blocks.empty())
                    return;
                break;
            case PascalWord::Except:
                if (!blocks.empty())
                    blocks.back() = long(AddHandler(routineLine));
                break;
            case PascalWord::On:
                if (!blocks.empty() && blocks.back() >= 0)
                    ReadOnClause(std::size_t(blocks.back()));
                break;
            case PascalWord::For:
                out_.fors.push_back(token.line);
                break;
            case PascalWord::While:
                out_.whiles.push_back(token.line);
                break;
            case PascalWord::Repeat:
                out_.repeats.push_back(token.line);
                break;
            default:
                break;
            }
            Advance();
        }
    }

    std::size_t AddHandler(std::optional<std::size_t> routineLine)
    {
        PascalHandler handler;
        handler.except = Token();
        handler.routineLine = routineLine;
        handler.onClauses = Is(PascalWord::On, 1);
        if (!handler.onClauses)
            handler.callAfter.push_back(handler.except);
        out_.handlers.push_back(handler);
        return out_.handlers.size() - 1;
    }

    // An "on" clause starts right after except or after a ";" of the handler list; a begin after
    // its "do" takes a call.
    void ReadOnClause(std::size_t handler)
    {
        const PascalToken& previous = out_.tokens[code_[pos_ - 1]];
        if (!(previous.kind == PascalTokenKind::Word && previous.word == PascalWord::Except) &&
            !(previous.kind == PascalTokenKind::Symbol && previous.symbol == ';'))
            return;
        for (std::size_t ahead = 1; pos_ + ahead < code_.size(); ++ahead) {
            if (IsSymbol(';', ahead))
                return;
            if (Is(PascalWord::Do, ahead)) {
                if (Is(PascalWord::Begin, ahead + 1))
                    out_.handlers[handler].callAfter.push_back(Token(ahead + 1));
                return;
            }
        }
    }

    const std::vector<std::string>& lines_;
    PascalStructure& out_;
    std::vector<std::size_t> code_;
    std::size_t pos_ = 0;
    // Reading the interface part of a unit.
    bool interface_ = false;
};

} // namespace

PascalStructure ReadPascal(const std::vector<std::string>& lines)
{
    PascalStructure structure;
    structure.tokens = Lexer(lines).Run();
    StructureReader(lines, structure).Run();
    return structure;
}

std::size_t NextCodeToken(const PascalStructure& structure, std::size_t token)
{
    std::size_t next = token + 1;
    while (next < structure.tokens.size() && !IsCode(structure.tokens[next]))
        ++next;
    return next;
}

bool EndsItsLine(const PascalStructure& structure, std::size_t token)
{
    return token + 1 >= structure.tokens.size() || structure.tokens[token + 1].line > structure.tokens[token].endLine;
}

} // namespace vireo
