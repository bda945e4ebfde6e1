// Prints how the examiner window keeps its progress bar painted during its long actions: debug
// code for 1,000 selected routines with the real one-millisecond pauses, and the Line Finder and
// the Review window over a 100,000-line unit. Run offscreen.

#include "../BenchSupport.h"
#include "examiner/AddOn_MainForm.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QProgressBar>
#include <QTreeView>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

using namespace vireo;

namespace {

// A unit of `routines` four-line procedures, padded with comment lines up to `lines` lines.
std::string MakeRoutinesUnit(int routines, int lines)
{
    std::string text = "unit Many;\ninterface\nuses SysUtils;\nimplementation\n";
    int written = 4;
    for (int n = 0; n < routines; ++n, written += 4)
        text += "procedure R" + std::to_string(n) + ";\nbegin\n  Beep;\nend;\n";
    for (; written < lines - 1; ++written)
        text += "// padding\n";
    return text + "end.\n";
}

// Records when the progress bar is painted.
class PaintTimes : public QObject {
public:
    explicit PaintTimes(QWidget* bar)
    {
        bar->installEventFilter(this);
        clock_.start();
    }
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            times_.push_back(clock_.elapsed());
        return false;
    }
    void Restart()
    {
        times_.clear();
        clock_.restart();
    }
    // Paints and the longest time without one, from the start to `end` milliseconds.
    void Print(const char* action, double end) const
    {
        double longest = 0, last = 0;
        for (const auto t : times_) {
            longest = std::max(longest, double(t) - last);
            last = double(t);
        }
        longest = std::max(longest, end - last);
        std::printf("%s: %.0f ms, %zu repaints of the progress bar, longest time without one %.0f ms\n", action, end,
                    times_.size(), longest);
    }

private:
    QElapsedTimer clock_;
    std::vector<qint64> times_;
};

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const auto folder = std::filesystem::temp_directory_path() / "vireo-examiner-window-bench";
    std::filesystem::create_directories(folder);
    const std::string path = (folder / "Many.pas").string();
    std::ofstream(path, std::ios::binary) << MakeRoutinesUnit(1000, 100000);

    TFrm_VireoAddOn form(nullptr, path, [] { return std::vector<Share>(); });
    form.ShowModal = [](QDialog&) {};
    form.FormCreate();
    form.show();
    QApplication::processEvents();
    PaintTimes paints(form.ProgressBar1);

    form.ListView(ExaminerListKind::Procedures)->selectAll();
    paints.Restart();
    paints.Print("Add debug code to 1,000 routines (real 1 ms pauses)",
                 bench::Milliseconds([&] { form.Btn_AddDebugCodeClick(); }));
    paints.Restart();
    paints.Print("Line Finder over 100,000 lines", bench::Milliseconds([&] { form.ShowLineFinder(50000); }));
    paints.Restart();
    paints.Print("Review over 100,000 lines", bench::Milliseconds([&] { form.Button1Click(); }));
    std::filesystem::remove_all(folder);
    return 0;
}
