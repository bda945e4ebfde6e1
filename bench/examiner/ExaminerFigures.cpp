// Prints the examiner's figures: RescanUnit over a 100,000-line unit, inserting debug code into
// 1,000 selected routines of it with the one-millisecond pauses left out, and the command line
// (line rules) and the Pascal mode each instrumenting every routine of a 200,000-line unit.

#include "../BenchSupport.h"
#include "examiner/ExamineCommand.h"
#include "examiner/ExaminerModel.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

using namespace vireo;

namespace {

// Counts ticks without waiting, so that only the examiner's own work is timed.
class NoPauseClock : public TickSource {
public:
    std::int32_t TickCount() override { return tick_; }
    void PauseOneMillisecond() override { ++tick_; }

private:
    std::int32_t tick_ = 1000;
};

// A unit of about `lines` lines: an interface part, then methods of ten lines each with loops,
// handlers and code marks.
std::string MakeUnit(int lines)
{
    std::string text = "unit Big;\r\n\r\ninterface\r\n\r\nuses\r\n  SysUtils, Classes;\r\n\r\n"
                       "type\r\n  TBig = class\r\n  end;\r\n\r\nimplementation\r\n\r\n";
    int written = 13;
    for (int n = 0; written < lines - 1; ++n, written += 10) {
        const std::string id = std::to_string(n);
        text += (n % 2 ? "function TBig.F" + id + ": Integer;\r\n" : "procedure TBig.P" + id + "(const S: string);\r\n");
        text += "var\r\n  I: Integer;\r\nbegin\r\n";
        text += "  for I := 0 to 9 do\r\n";
        text += "    while I < 3 do Inc(I);\r\n";
        text += "  try Foo; except Foo; end;\r\n";
        text += "  {T=INFO x='Step " + id + "';y=''}\r\n";
        text += "end;\r\n\r\n";
    }
    text += "end.\r\n";
    return text;
}

template <typename Action>
double MedianMilliseconds(int runs, Action action)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        times.push_back(bench::Milliseconds(action));
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

} // namespace

int main()
{
    const auto folder = std::filesystem::temp_directory_path() / "vireo-examiner-bench";
    std::filesystem::create_directories(folder);
    const std::string path = (folder / "Big.pas").string();
    std::ofstream(path, std::ios::binary) << MakeUnit(100000);

    NoPauseClock clock;
    ExaminerModel model(path, clock, {}, "host");
    model.Open();
    const std::size_t lines = model.WorkingText().size();
    const double rescan = MedianMilliseconds(9, [&] { model.RescanUnit(); });

    std::vector<double> inserts;
    for (int run = 0; run < 5; ++run) {
        ExaminerModel fresh(path, clock, {}, "host");
        fresh.Open();
        auto& procedures = fresh.List(ExaminerListKind::Procedures);
        for (std::size_t i = 0; i < procedures.size() && i < 2000; i += 2)
            procedures[i].selected = true;
        inserts.push_back(MedianMilliseconds(1, [&] { fresh.AddDebugCode(); }));
    }
    std::sort(inserts.begin(), inserts.end());
    const double insert = inserts[inserts.size() / 2];
    // The Pascal mode: open (with its scan), then every procedure and every function.
    const std::string bigPath = (folder / "Bigger.pas").string();
    std::ofstream(bigPath, std::ios::binary) << MakeUnit(200000);
    std::size_t bigLines = 0;
    const double pascal = bench::Milliseconds([&] {
        ExaminerModel big(bigPath, clock, {}, "host");
        big.SetPascalMode(true);
        big.Open();
        bigLines = big.WorkingText().size();
        for (const auto kind : {ExaminerListKind::Procedures, ExaminerListKind::Functions}) {
            for (auto& item : big.List(kind))
                item.selected = true;
            big.SetActiveTab(kind);
            big.AddDebugCode();
        }
    });
    std::printf("unit lines: %zu\n", lines);
    std::printf("RescanUnit: %.1f ms (median of 9)\n", rescan);
    std::printf("AddDebugCode, 1000 routines, pauses excluded, with its rescan: %.1f ms (median of 5)\n", insert);
    std::printf("Pascal mode, every routine of a %zu-line unit, open and scans included: %.2f s\n", bigLines,
                pascal / 1000.0);

    // The command line as a user runs it, in process: procedures, then functions, each saved.
    ::setenv("VIREO_REGISTRY_DIR", (folder / "registry").string().c_str(), 1);
    const std::string huge = (folder / "Huge.pas").string();
    std::ofstream(huge, std::ios::binary) << MakeUnit(200000);
    std::ostringstream out;
    std::ostringstream err;
    const double command = bench::Milliseconds([&] {
        for (const char* list : {"procedures:all", "functions:all"})
            RunExamine(ParseExamineArguments({huge, "--add-debug", list}), out, err);
    });
    std::printf("vireo-examine --add-debug procedures:all, then functions:all, 200,000-line unit: %.2f s\n%s",
                command / 1000.0, err.str().c_str());
    std::filesystem::remove_all(folder);
    return 0;
}
