// Prints the figures of the message list over a large store: rebuilding the list for a tree node
// and for the filters, the quick filter's relisting and its cost per arriving message, and the
// resident memory each stored and listed message costs against the bytes of its texts; the
// message-rate strip's histogram rebuilt over the listed rows and its cost per arriving message.
// Usage: viewer_rebuild_figures [message count, default 1000000]

#include "../BenchSupport.h"
#include "viewer/session/MessageAdmission.h"
#include "viewer/session/MessageListing.h"
#include "viewer/session/MessageRate.h"
#include "viewer/session/MessageStore.h"
#include "viewer/session/TraceSession.h"
#include "viewer/session/TraceSources.h"

#include <QCoreApplication>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

using namespace vireo;
using namespace vireo::bench;

namespace {

// Typical traffic: a few dozen classes, units and IDs, five groups, three computers, one date,
// a time that changes every second, and a message text of its own for each message.
std::size_t PostTypical(MessageStore& store, TraceSourceRegistry& registry, int n)
{
    std::size_t textBytes = 0;
    const char* groups[] = {"", "mgRed", "mgBlue", "mgGreen", "mgYellow"};
    const char* computers[] = {"BUILD-PC", "dev-laptop", "TESTBOX"};
    for (int i = 0; i < n; ++i) {
        const std::string cls = "TClass" + std::to_string(i % 40);
        const std::string unit = "/home/dev/project/src/Unit" + std::to_string(i % 40) + ".pas";
        const std::string id = "UniqueStr_" + std::to_string(100000 + i % 400);
        const std::string time = "10:" + std::to_string(10 + i / 60000 % 50) + ":" + std::to_string(10 + i / 1000 % 50);
        const std::string text = "Processing item " + std::to_string(i) + " of batch " + std::to_string(i / 100);
        TraceFields f;
        f.ClassName = cls;
        f.MessageStr = text;
        f.MessageType = i % 4;
        f.MessageGroup = groups[i % 5];
        f.ComputerName = computers[i % 3];
        f.MessageID = id;
        f.UnitFileName = unit;
        f.MessageDate = "08/12/2026";
        f.MessageTime = time;
        textBytes += f.ClassName.size() + f.MessageStr.size() + f.MessageGroup.size()
            + f.ComputerName.size() + f.MessageID.size() + f.UnitFileName.size()
            + f.MessageDate.size() + f.MessageTime.size();
        registry.Learn(store.Items(store.Append(f)));
    }
    return textBytes;
}

std::vector<FilterEntry> Entries(std::initializer_list<std::string> values)
{
    std::vector<FilterEntry> entries;
    for (const std::string& v : values)
        entries.push_back({v, true});
    return entries;
}

// Posts messages first .. first + count - 1 to a session as one batch, stamped 100 a second.
void PostStamped(TraceSession& session, int first, int count)
{
    std::vector<TraceArguments> batch;
    batch.reserve(static_cast<std::size_t>(count));
    for (int i = first; i < first + count; ++i)
        batch.push_back({QStringLiteral("TClass%1").arg(i % 40), QStringLiteral("Processing item %1").arg(i), i % 4,
                         QString(), QStringLiteral("BUILD-PC"), QStringLiteral("UniqueStr_1"),
                         QStringLiteral("/home/dev/project/src/Unit1.pas"), 46'000.0 + i / 100.0 / 86'400.0});
    session.ReceiveTraces(batch);
}

// The message-rate histogram over n listed messages (a span of n / 100 seconds): its rebuild, and
// an arrival's cost, one message at a time as AddTrace brings them, with and without it (the
// fastest of alternating rounds, as single runs scatter).
void PrintRateFigures(int n)
{
    TraceSession session;
    MessageListing listing(session);
    listing.SetNodeSelected(true);
    listing.SelectNode(TreeNodeRule::All());
    for (int first = 0; first < n; first += 10'000)
        PostStamped(session, first, std::min(10'000, n - first));
    std::optional<MessageRate> rate;
    const double rebuildMs = Milliseconds([&] { rate.emplace(session, listing); });
    const int buckets = rate->BucketCount();
    const long long width = rate->BucketSeconds();

    // Thread CPU time, paired rounds and their median: the machine's other work scatters wall time
    // more than the histogram costs.
    constexpr int kArrivals = 5'000;
    int next = n;
    const auto arrivalUs = [&] {
        const auto cpuNs = [] {
            timespec now{};
            clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
            return now.tv_sec * 1'000'000'000.0 + static_cast<double>(now.tv_nsec);
        };
        const double start = cpuNs();
        for (int i = 0; i < kArrivals; ++i)
            PostStamped(session, next++, 1);
        return (cpuNs() - start) / 1000.0 / kArrivals;
    };
    std::vector<double> with, without, added;
    for (int round = 0; round < 15; ++round) {
        rate.emplace(session, listing);
        with.push_back(arrivalUs());
        rate.reset();
        without.push_back(arrivalUs());
        added.push_back(with.back() - without.back());
    }
    const auto median = [](std::vector<double> values) {
        std::nth_element(values.begin(), values.begin() + values.size() / 2, values.end());
        return values[values.size() / 2];
    };
    std::printf("message-rate rebuild:              %.1f ms (%d rows, %.3f us each, %d buckets of %lld s)\n", rebuildMs,
                n, rebuildMs * 1000.0 / n, buckets, width);
    std::printf("arrival with the rate following:   %.3f us CPU, without %.3f us (median of paired rounds +%.3f)\n",
                median(with), median(without), median(added));
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const int n = argc > 1 ? std::atoi(argv[1]) : 1'000'000;

    MessageStore store;
    TraceSourceRegistry registry;
    const long before = ResidentBytes();
    const std::size_t textBytes = PostTypical(store, registry, n);
    std::vector<int> rows;
    rows.reserve(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i)
        rows.push_back(i);
    const long grown = ResidentBytes() - before;

    std::vector<FilterEntry> classes = Entries({""});
    for (int c = 0; c < 40; ++c)
        classes.push_back({"TClass" + std::to_string(c), c % 2 == 0});
    const FilterSnapshot filters(classes, Entries({"", "mgRed", "mgBlue", "mgGreen", "mgYellow"}),
                                 {{"0", true}, {"1", false}, {"2", true}, {"3", true}},
                                 Entries({"BUILD-PC", "DEV-LAPTOP", "TESTBOX"}));
    const std::string_view classNode = kNodeClass;
    const TreeNodeRule node = TreeNodeRule::ForNode("tclass7", &classNode);
    const TreeNodeRule all = TreeNodeRule::ForNode(kNodeAll, nullptr);

    const double allMs = Milliseconds([&] { rows = ListedRows(store, ListingRule(all, ListPage::Messages, &filters)); });
    const std::size_t listed = rows.size();
    const double nodeMs = Milliseconds([&] { rows = ListedRows(store, ListingRule(node, ListPage::Messages, &filters)); });
    const std::size_t nodeRows = rows.size();
    const ListingRule byFilters(TreeNodeRule::All(), ListPage::Filters, &filters);
    const double filterMs = Milliseconds([&] { rows = ListedRows(store, byFilters); });

    // The quick filter over the six shown columns: a relisting for "All" as its text changes, and
    // what it adds to each arriving message (the arrival rule alone, without and with it).
    const ShownColumns shown{{0, 1, 2, 3, 4, 5}, false};
    const auto quickMs = [&](const QuickFilterSettings& settings) {
        const QuickFilter quick(settings, shown);
        const double ms = Milliseconds(
            [&] { rows = ListedRows(store, ListingRule(all, ListPage::Messages, nullptr, {}, &quick)); });
        return std::pair(ms, rows.size());
    };
    const auto [plainMs, plainRows] = quickMs({QStringLiteral("item 99")});
    const auto [expressionMs, expressionRows] = quickMs({QStringLiteral("item 99\\d* of"), true});
    const auto perArrival = [&](const QuickFilter* quick) {
        const ListingRule rule(all, ListPage::Messages, nullptr, {}, quick);
        std::size_t admitted = 0;
        const double ms = Milliseconds([&] {
            for (int i = 0; i < n; ++i)
                admitted += rule.Admits(store.Items(i));
        });
        return std::pair(ms * 1000.0 / n, admitted);
    };
    const QuickFilter plain({QStringLiteral("item 99")}, shown);
    const double arrivalUs = perArrival(nullptr).first;
    const double arrivalQuickUs = perArrival(&plain).first;

    std::printf("messages stored and listed:        %d\n", n);
    std::printf("quick filter \"item 99\" relists:   %.1f ms (%zu rows, target 100 ms)\n", plainMs, plainRows);
    std::printf("as an expression \"item 99\\d* of\": %.1f ms (%zu rows, target 400 ms)\n", expressionMs,
                expressionRows);
    std::printf("arrival test per message:          %.3f us, with the plain quick filter %.3f us (+%.3f, target 1)\n",
                arrivalUs, arrivalQuickUs, arrivalQuickUs - arrivalUs);
    std::printf("rebuild for node \"All\":            %.1f ms (%zu rows)\n", allMs, listed);
    std::printf("rebuild for a class node:          %.1f ms (%zu rows)\n", nodeMs, nodeRows);
    std::printf("rebuild for the filters:           %.1f ms (%zu rows)\n", filterMs, rows.size());
    std::printf("text bytes per message:            %.1f\n", double(textBytes) / n);
    std::printf("resident growth per message:       %.1f bytes\n", double(grown) / n);
    std::printf("growth / text bytes:               %.2f\n", double(grown) / double(textBytes));
    PrintRateFigures(n);
    return 0;
}
