// Prints what appending one row to a TListViewEx costs with the event loop running, at several
// row counts, while the list follows the new row as the message list does; and what a header
// click's sort of all rows costs through the list.
#include "components/ListViewEx.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QThread>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <random>
#include <string>
#include <vector>

namespace {

// Rows that are indices into a store of texts, like the message list.
class IndexRowsModel : public vireo::TListViewExModel {
public:
    explicit IndexRowsModel(const std::vector<std::string>& texts) : texts_(texts)
    {
        for (const char* caption : {"Class Name", "Message", "Group", "Date", "Time", "Computer Name"})
            AddColumn(QString::fromLatin1(caption));
    }
    void Append(int storeIndex)
    {
        rows_.push_back(storeIndex);
        RowsAppended();
    }
    std::string_view SortKey(int row, int) const override
    {
        return texts_[static_cast<std::size_t>(rows_[static_cast<std::size_t>(row)])];
    }
    void PermuteRows(std::span<const int> order) override
    {
        std::vector<int> moved;
        moved.reserve(order.size());
        for (int from : order)
            moved.push_back(rows_[static_cast<std::size_t>(from)]);
        rows_.swap(moved);
        emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
    }

protected:
    int StoredRowCount() const override { return static_cast<int>(rows_.size()); }

private:
    const std::vector<std::string>& texts_;
    std::vector<int> rows_;
};

// One turn of the event loop: posted events and due timers run.
void RunOneTurn()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

// Runs the event loop until every appended row is announced and laid out.
void RunUntilIdle(const vireo::TListViewExModel& model, int stored)
{
    while (model.rowCount() < stored)
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    for (int turn = 0; turn < 3; ++turn)
        RunOneTurn();
}

// Processor time this process has used, in nanoseconds: waiting for the next announcement is
// not work.
qint64 CpuNs()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return qint64{now.tv_sec} * 1'000'000'000 + now.tv_nsec;
}

struct Figures {
    double streamMs = 0;   // per row, rows arriving one per event-loop turn
    double isolatedMs = 0; // one row after a quiet spell
};

Figures MeasureAppend(int rows, int appends, const std::vector<std::string>& texts)
{
    IndexRowsModel model(texts);
    QWidget window;
    auto* list = new vireo::TListViewEx(&window);
    list->setGeometry(0, 0, 800, 600);
    list->setModel(&model);
    QObject::connect(&model, &QAbstractItemModel::rowsInserted, list, &QTreeView::scrollToBottom);
    const auto textCount = static_cast<int>(texts.size());
    for (int i = 0; i < rows; ++i)
        model.Append(i % textCount);
    window.resize(820, 620);
    window.show();
    int stored = rows;
    RunUntilIdle(model, stored);

    Figures figures;
    const qint64 streamStart = CpuNs();
    for (int i = 0; i < appends; ++i, ++stored) {
        model.Append(i % textCount);
        RunOneTurn();
    }
    RunUntilIdle(model, stored);
    figures.streamMs = static_cast<double>(CpuNs() - streamStart) / 1e6 / appends;

    constexpr int isolated = 5;
    qint64 totalNs = 0;
    for (int i = 0; i < isolated; ++i, ++stored) {
        QThread::msleep(1000);
        const qint64 start = CpuNs();
        model.Append(i % textCount);
        RunUntilIdle(model, stored + 1);
        totalNs += CpuNs() - start;
    }
    figures.isolatedMs = static_cast<double>(totalNs) / 1e6 / isolated;
    return figures;
}

// Wall-clock milliseconds of SortByColumn over every row, the list shown, one row selected.
double MeasureSort(int rows, const std::vector<std::string>& texts)
{
    IndexRowsModel model(texts);
    QWidget window;
    auto* list = new vireo::TListViewEx(&window);
    list->setGeometry(0, 0, 800, 600);
    list->setModel(&model);
    std::mt19937 random(5);
    for (int i = 0; i < rows; ++i)
        model.Append(static_cast<int>(random() % texts.size()));
    window.resize(820, 620);
    window.show();
    RunUntilIdle(model, rows);
    list->SelectRow(rows / 2);
    QElapsedTimer timer;
    timer.start();
    list->SortByColumn(1);
    RunOneTurn();
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

// Row counts to measure: those named on the command line, or 1000, 100000 and 1000000.
std::vector<int> BenchRowCounts(int argc, char** argv)
{
    std::vector<int> counts;
    for (int i = 1; i < argc; ++i)
        counts.push_back(std::atoi(argv[i]));
    if (counts.empty())
        counts = {1000, 100000, 1000000};
    return counts;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    std::vector<std::string> texts;
    for (int i = 0; i < 1000; ++i)
        texts.push_back("Entering TForm_Main.Button" + std::to_string(i) + "Click with value " + std::to_string(i * 7));
    std::vector<std::string> sortTexts;
    for (int i = 0; i < 100000; ++i)
        sortTexts.push_back("Value of CustomerID = " + std::to_string((i * 7919) % 100000));
    std::printf("Appending rows to TListViewEx, event loop running, the list following the new row\n");
    std::printf("%-10s %-34s %s\n", "rows", "CPU ms per row, one per loop turn", "CPU ms for one row after a pause");
    for (int rows : BenchRowCounts(argc, argv)) {
        const Figures figures = MeasureAppend(rows, 20000, texts);
        std::printf("%-10d %-34.4f %.3f\n", rows, figures.streamMs, figures.isolatedMs);
    }
    std::printf("\nSortByColumn through the list (message texts, 100000 distinct)\n");
    for (int rows : BenchRowCounts(argc, argv))
        std::printf("%-10d %.1f ms\n", rows, MeasureSort(rows, sortTexts));
    return 0;
}
