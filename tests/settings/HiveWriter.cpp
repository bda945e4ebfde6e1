// A process that writes to the machine hive for the crash and concurrency tests.
//   HiveWriter loop <name>           rewrites values and a numbered list until killed, counting
//                                    on from the round stored last; prints "started" first
//   HiveWriter own <prefix> <count>  writes <count> numbers of its own under one shared key
#include "settings/RegUtils.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

void SaveList(const std::string& listKey, int round)
{
    vireo::DeleteRegKey(listKey);
    for (int n = 0; n < 5 + round % 7; ++n)
        vireo::WriteRegString(listKey + "\\" + std::to_string(n), "Text", "entry " + std::to_string(round));
}

int Loop(const std::string& name)
{
    const std::string filler(200, 'x');
    std::puts("started");
    std::fflush(stdout);
    for (int round = vireo::ReadRegInteger("Stress\\" + name, "Round", 0) + 1;; ++round) {
        vireo::WriteRegString("Stress\\" + name, "Value" + std::to_string(round % 300), filler + std::to_string(round));
        vireo::WriteRegInteger("Stress\\" + name, "Round", round);
        if (round % 10 == 0)
            SaveList("Stress\\" + name + "\\List", round);
    }
}

int Own(const std::string& prefix, int count)
{
    for (int n = 0; n < count; ++n)
        vireo::WriteRegInteger("Stress\\Shared", prefix + std::to_string(n), n);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "loop" && argc == 3)
        return Loop(argv[2]);
    if (mode == "own" && argc == 4)
        return Own(argv[2], std::atoi(argv[3]));
    std::fprintf(stderr, "usage: HiveWriter loop <name> | own <prefix> <count>\n");
    return 2;
}
