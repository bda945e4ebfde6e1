#include "examiner/ExamineCommand.h"

#include "components/AsciiText.h"
#include "examiner/ExaminerModel.h"
#include "examiner/LanManShares.h"
#include "examiner/ProjectUnits.h"
#include "examiner/UnitFile.h"

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <ostream>

namespace vireo {

namespace {

constexpr ExaminerListKind kListingOrder[] = {
    ExaminerListKind::Procedures, ExaminerListKind::Functions, ExaminerListKind::Exceptions,
    ExaminerListKind::Fors,       ExaminerListKind::Whiles,    ExaminerListKind::Repeats,
    ExaminerListKind::CodeMarks,
};

int ParseNumber(std::string_view text, std::string_view what)
{
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size())
        throw ExamineUsageError("\"" + std::string(text) + "\" is not a number (" + std::string(what) + ")");
    return value;
}

LineChoice ParseLines(std::string_view text, std::string_view option)
{
    LineChoice choice;
    if (text == "all") {
        choice.all = true;
        return choice;
    }
    while (true) {
        const auto comma = text.find(',');
        const int line = ParseNumber(text.substr(0, comma), option);
        if (line < 1)
            throw ExamineUsageError("line numbers of " + std::string(option) + " start at 1");
        choice.lines.push_back(line);
        if (comma == std::string_view::npos)
            return choice;
        text.remove_prefix(comma + 1);
    }
}

ExaminerListKind ParseDebugList(std::string_view name)
{
    for (const auto kind : {ExaminerListKind::Procedures, ExaminerListKind::Functions, ExaminerListKind::Exceptions})
        if (ExamineListName(kind) == name)
            return kind;
    throw ExamineUsageError("--add-debug takes procedures, functions or exceptions, not \"" + std::string(name) + "\"");
}

bool IsProject(const std::string& file)
{
    const auto dot = file.rfind('.');
    return dot != std::string::npos && SameTextAscii(std::string_view(file).substr(dot), ".dpr");
}

void PrintLists(const ExaminerModel& model, bool withCustom, std::ostream& out)
{
    auto print = [&](ExaminerListKind kind) {
        const bool marked = kind == ExaminerListKind::Procedures || kind == ExaminerListKind::Functions;
        for (const auto& item : model.List(kind)) {
            out << ExamineListName(kind) << '\t' << item.line << '\t' << (marked && item.instrumented ? "instrumented" : "")
                << '\t' << item.name << '\n';
        }
    };
    for (const auto kind : kListingOrder)
        print(kind);
    if (withCustom)
        print(ExaminerListKind::Custom);
}

// Marks the chosen items selected; a line that names no item is a usage error.
void Select(ExaminerList& list, const LineChoice& choice, ExaminerListKind kind)
{
    for (auto& item : list)
        item.selected = choice.all;
    for (const int line : choice.lines) {
        // The list is in line order.
        const auto found = std::lower_bound(list.begin(), list.end(), line,
                                            [](const ExaminerItem& i, int l) { return i.line < l; });
        if (found == list.end() || found->line != line)
            throw ExamineUsageError("line " + std::to_string(line) + " names no item of " +
                                    std::string(ExamineListName(kind)));
        found->selected = true;
    }
}

int ListUnit(const std::string& path, const ExamineOptions& options, std::ostream& out)
{
    SystemTickSource clock;
    ExaminerModel model(path, clock, {}, LocalComputerName());
    model.SetPascalMode(options.pascal);
    model.OpenUnit();
    if (options.search)
        model.Search(*options.search);
    PrintLists(model, options.search.has_value(), out);
    return 0;
}

int ListProject(const ExamineOptions& options, std::ostream& out, std::ostream& err)
{
    const auto units = LoadProjectUnits(LoadUnitText(options.file).lines, options.file);
    if (options.units) {
        for (const auto& unit : units)
            out << unit << '\n';
        return 0;
    }
    int status = 0;
    for (const auto& unit : units) {
        out << unit << '\n';
        try {
            ListUnit(unit, options, out);
        } catch (const ExaminerError& e) {
            err << "vireo-examine: " << e.what() << '\n';
            status = 1;
        }
    }
    return status;
}

int RewriteUnit(const ExamineOptions& options, std::ostream& out, std::ostream& err)
{
    UnpausedTickSource clock;
    ExaminerModel model(options.file, clock, ReadLanManShares, LocalComputerName());
    model.SetPascalMode(options.pascal);
    model.OpenUnit();
    model.SetIndentation(options.indent);
    model.SetRemoteComputer(options.remote);
    int changes = 0;
    if (options.addDebugList) {
        const ExaminerListKind kind = *options.addDebugList;
        Select(model.List(kind), options.addDebugLines, kind);
        model.SetActiveTab(kind);
        const auto result = model.AddDebugCode();
        changes = result.inserted;
        err << "vireo-examine: " << result.inserted << " debug call(s) inserted";
        if (result.skipped > 0)
            err << ", " << result.skipped << " item(s) left unchanged";
        err << '\n';
    } else {
        Select(model.List(ExaminerListKind::CodeMarks), *options.replaceCodeMarks, ExaminerListKind::CodeMarks);
        model.SetActiveTab(ExaminerListKind::CodeMarks);
        changes = model.ReplaceCodeMarks([] { return true; });
        err << "vireo-examine: " << changes << " code mark(s) replaced\n";
    }
    const std::string onDisk = ReadUnitBytes(model.LocalPath()); // bounded, as the first reading was
    // A run that inserts nothing leaves the unit as it was, in either mode, though the line rules
    // put the constant and the uses entry into the working text first.
    const std::string text = changes > 0 ? model.TextAsSaved() : onDisk;
    if (MentionsThreadManager(text) && !MentionsThreadManager(onDisk))
        err << "vireo-examine: cthreads put first in the program's uses clause, so that AddDebug leaves the "
               "sending to the client unit's thread\n";
    if (options.toStdout)
        out << text;
    else if (text == onDisk)
        err << "vireo-examine: nothing changed; the unit is left as it was\n";
    else
        model.Save();
    return 0;
}

} // namespace

std::string_view ExamineListName(ExaminerListKind kind)
{
    constexpr std::string_view names[kExaminerListCount] = {"procedures", "functions", "exceptions", "fors",
                                                            "whiles",     "repeats",   "custom",     "codemarks"};
    return names[std::size_t(kind)];
}

ExamineOptions ParseExamineArguments(const std::vector<std::string>& arguments)
{
    ExamineOptions options;
    std::vector<std::string> files;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        auto value = [&]() -> const std::string& {
            if (i + 1 >= arguments.size())
                throw ExamineUsageError(argument + " needs a value");
            return arguments[++i];
        };
        if (argument == "--help" || argument == "-h") {
            options.help = true;
        } else if (argument == "--search") {
            options.search = value();
        } else if (argument == "--units") {
            options.units = true;
        } else if (argument == "--add-debug") {
            const std::string& listAndLines = value();
            const auto colon = listAndLines.find(':');
            if (colon == std::string::npos)
                throw ExamineUsageError("--add-debug takes LIST:LINES, such as procedures:20,31 or functions:all");
            options.addDebugList = ParseDebugList(std::string_view(listAndLines).substr(0, colon));
            options.addDebugLines = ParseLines(std::string_view(listAndLines).substr(colon + 1), "--add-debug");
        } else if (argument == "--replace-code-marks") {
            options.replaceCodeMarks = ParseLines(value(), "--replace-code-marks");
        } else if (argument == "--indent") {
            options.indent = ParseNumber(value(), "--indent");
            if (options.indent < 0 || options.indent > 10)
                throw ExamineUsageError("--indent takes 0 to 10");
        } else if (argument == "--remote") {
            options.remote = value();
        } else if (argument == "--pascal") {
            options.pascal = true;
        } else if (argument == "--stdout") {
            options.toStdout = true;
        } else if (argument.starts_with("-") && argument != "-") {
            throw ExamineUsageError("unknown option " + argument);
        } else {
            files.push_back(argument);
        }
    }
    if (options.help)
        return options;
    if (files.size() != 1)
        throw ExamineUsageError(files.empty() ? "no file given" : "give one file only");
    options.file = files.front();
    const bool rewrite = options.addDebugList || options.replaceCodeMarks;
    if (options.addDebugList && options.replaceCodeMarks)
        throw ExamineUsageError("--add-debug and --replace-code-marks go in separate runs");
    if (options.toStdout && !rewrite)
        throw ExamineUsageError("--stdout goes with --add-debug or --replace-code-marks");
    if (IsProject(options.file) && rewrite)
        throw ExamineUsageError("a project is only listed; name the unit to change");
    if (options.units && !IsProject(options.file))
        throw ExamineUsageError("--units needs a project file (.dpr)");
    if (rewrite && options.search)
        throw ExamineUsageError("--search goes with a listing, not with a change");
    return options;
}

std::string ExamineHelpText()
{
    return "Usage: vireo-examine FILE [options]\n"
           "\n"
           "Lists what a Pascal unit holds, or instruments it with AddDebug calls, as the Code Examiner does.\n"
           "\n"
           "Listing (FILE.pas, or any unit): one item per line, tab-separated: list, line, 'instrumented' or\n"
           "empty, and the item's text. Lists: procedures, functions, exceptions, fors, whiles, repeats,\n"
           "codemarks (and custom with --search).\n"
           "A project (FILE.dpr) lists each of its units in turn, each headed by its path.\n"
           "\n"
           "Options:\n"
           "  --search TEXT               also list the lines holding TEXT, in any case (list 'custom')\n"
           "  --units                     with a .dpr: print the project's unit paths, one per line\n"
           "  --add-debug LIST:LINES      insert a debug call into the items of LIST (procedures,\n"
           "                              functions or exceptions) at LINES (comma list, or all)\n"
           "  --replace-code-marks LINES  replace the code marks at LINES (comma list, or all)\n"
           "  --indent N                  blanks before inserted lines, 0 to 10 (default 2)\n"
           "  --remote NAME               remote computer text of the inserted calls (default empty)\n"
           "  --pascal                    read Pascal instead of using the line rules: comments, strings\n"
           "                              and directives make no items, each call goes after the begin\n"
           "                              of its own routine, constructors, destructors and operators\n"
           "                              are listed, and a routine or handler that starts with an\n"
           "                              AddDebug call gets no second one; text in a branch that\n"
           "                              Free Pascal skips on Linux ({$ifdef ...}) is not read, and a\n"
           "                              run that inserts no call changes nothing\n"
           "  --stdout                    print the changed unit instead of saving it\n"
           "  --help                      this text\n"
           "\n"
           "A run that inserts or replaces nothing leaves the unit alone, in either mode. A changed unit is\n"
           "saved in place; the first save keeps the old text as UNIT.BAK, which is never overwritten. A\n"
           "read-only unit, or a file that is not text, is refused. Exit status: 0 done, 1 a file could not be read or written, 2 a bad option or a line\n"
           "that names no item; nothing is written then.\n"
           "\n"
           "Examples:\n"
           "  vireo-examine Unit1.pas\n"
           "  vireo-examine Unit1.pas --search Caption\n"
           "  vireo-examine Project1.dpr --units\n"
           "  vireo-examine Unit1.pas --add-debug procedures:20,41 --indent 4 --remote buildhost\n"
           "  vireo-examine Unit1.pas --replace-code-marks all --stdout\n"
           "  vireo-examine Unit1.pas --pascal --add-debug exceptions:all\n";
}

int RunExamine(const ExamineOptions& given, std::ostream& out, std::ostream& err)
{
    if (given.help) {
        out << ExamineHelpText();
        return 0;
    }
    // Full paths, as the examiner window receives them: they go into the UnitFileName constant.
    ExamineOptions options = given;
    std::error_code error;
    const auto absolute = std::filesystem::absolute(options.file, error);
    if (!error)
        options.file = absolute.lexically_normal().string();
    try {
        if (IsProject(options.file))
            return ListProject(options, out, err);
        if (options.addDebugList || options.replaceCodeMarks)
            return RewriteUnit(options, out, err);
        return ListUnit(options.file, options, out);
    } catch (const ExamineUsageError& e) {
        err << "vireo-examine: " << e.what() << '\n';
        return 2;
    } catch (const std::exception& e) {
        err << "vireo-examine: " << e.what() << '\n';
        return 1;
    }
}

} // namespace vireo
