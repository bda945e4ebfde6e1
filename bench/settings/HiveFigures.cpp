// Prints what one setting costs when the machine hive is large: a hive of 700,000 keys (about
// 62 MB) is written to a temporary folder, then one key is opened and read and one value
// written, as a program reading its options does. Peak memory is the process's own high-water
// mark, the built hive's text included.
//   bench_hive_figures [key count, default 700000]

#include "../BenchSupport.h"
#include "settings/RegUtils.h"
#include "settings/RegistryHive.h"

#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

using namespace vireo;
using namespace vireo::bench;

namespace {

long PeakResidentMegabytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

// Writes a hive of count keys in ten groups, each key holding one string, as the hive writer
// would.
void WriteLargeHive(const std::filesystem::path& file, int count)
{
    std::ofstream out(file, std::ios::binary);
    out << "Windows Registry Editor Version 5.00\n";
    for (int group = 0; group < 10; ++group)
        for (int n = group; n < count; n += 10)
            out << "\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Bulk\\Group" << group << "\\Entry" << n << "]\n"
                << "\"Caption\"=\"entry number " << n << "\"\n";
}

} // namespace

int main(int argc, char** argv)
{
    const int count = argc > 1 ? std::atoi(argv[1]) : 700000;
    char pattern[] = "/tmp/vireo-hive-bench-XXXXXX";
    if (mkdtemp(pattern) == nullptr)
        return 1;
    const std::filesystem::path folder = pattern;
    setenv("VIREO_REGISTRY_DIR", folder.c_str(), 1);
    WriteLargeHive(HiveFilePath(RegRoot::LocalMachine), count);
    const auto before = std::filesystem::file_size(HiveFilePath(RegRoot::LocalMachine));
    const long startMegabytes = PeakResidentMegabytes();

    std::int16_t mode = 0;
    const double read = Milliseconds([&] { mode = ReadRegShort("Vireo", "ExaminerPascalMode", 0); });
    const double write = Milliseconds([&] { WriteRegShort("Vireo", "ExaminerPascalMode", mode == 0 ? -1 : 0); });
    const double again = Milliseconds([&] { mode = ReadRegShort("Vireo", "ExaminerPascalMode", 0); });
    const auto after = std::filesystem::file_size(HiveFilePath(RegRoot::LocalMachine));

    std::printf("keys in the hive                         %d (%ju bytes before, %ju after)\n", count,
                static_cast<std::uintmax_t>(before), static_cast<std::uintmax_t>(after));
    std::printf("first read of one value (stores default) %8.1f ms\n", read);
    std::printf("writing that value                       %8.1f ms\n", write);
    std::printf("reading it again                         %8.1f ms  (read back %d)\n", again, mode);
    std::printf("peak resident memory                     %8ld MB (%ld MB before the first read)\n",
                PeakResidentMegabytes(), startMegabytes);
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
    return 0;
}
