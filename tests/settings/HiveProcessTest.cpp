#include "settings/HiveText.h"
#include "settings/RegUtils.h"
#include "TempRegistry.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <random>

using namespace vireo;

namespace {

const std::string Writer = VIREO_BINARY_DIR "/tests/settings/settings_hive_writer";

class HiveProcesses : public test::TempRegistry {
protected:
    // Starts the writer; with waitForStart, returns once it has finished its first write.
    pid_t StartWriter(const std::vector<std::string>& arguments, bool waitForStart)
    {
        int out[2];
        EXPECT_EQ(pipe(out), 0);
        const pid_t child = fork();
        if (child == 0) {
            dup2(out[1], STDOUT_FILENO);
            close(out[0]);
            close(out[1]);
            std::vector<char*> argv{const_cast<char*>(Writer.c_str())};
            for (const auto& a : arguments)
                argv.push_back(const_cast<char*>(a.c_str()));
            argv.push_back(nullptr);
            execv(Writer.c_str(), argv.data());
            _exit(127);
        }
        close(out[1]);
        if (waitForStart) {
            char line[16] = {};
            EXPECT_GT(read(out[0], line, sizeof line - 1), 0) << "the writer did not start";
        }
        close(out[0]);
        return child;
    }

    static int WaitFor(pid_t child)
    {
        int status = 0;
        waitpid(child, &status, 0);
        return status;
    }
};

} // namespace

TEST_F(HiveProcesses, AWriterKilledAtAnyMomentLeavesAHiveThatParses)
{
    HiveKey prefilled("HKEY_LOCAL_MACHINE");
    bool created = false;
    HiveKey& filler = CreateKey(prefilled, "SOFTWARE\\Korvel\\Stress\\Bulk", created);
    for (int n = 0; n < 2000; ++n)
        filler.SetValue("Filler" + std::to_string(n), RegValue::FromText(std::string(40, 'f')));
    WriteMachineHive(WriteHiveText(prefilled, "HKEY_LOCAL_MACHINE"));
    std::mt19937 random(20261208);
    std::uniform_int_distribution<int> pauseMicroseconds(0, 20000);
    std::int32_t lastRound = 0;
    int killedWhileSaving = 0;
    for (int round = 0; round < 60; ++round) {
        const std::size_t temporariesBefore = FilesNamedLike(".reg.tmp").size();
        const pid_t writer = StartWriter({"loop", "Killed"}, true);
        usleep(static_cast<useconds_t>(pauseMicroseconds(random)));
        kill(writer, SIGKILL);
        const int status = WaitFor(writer);
        ASSERT_TRUE(WIFSIGNALED(status)) << "round " << round;
        killedWhileSaving += FilesNamedLike(".reg.tmp").size() > temporariesBefore;

        const auto parsed = ParseHiveText(ReadMachineHive(), "HKEY_LOCAL_MACHINE");
        ASSERT_TRUE(parsed.root) << "round " << round << ", line " << parsed.errorLine << ": " << parsed.error;
        const HiveKey* bulk = FindKey(*parsed.root, "SOFTWARE\\Korvel\\Stress\\Bulk");
        ASSERT_TRUE(bulk != nullptr && bulk->Values().size() == 2000u) << "round " << round << ": values lost";
        const HiveKey* killed = FindKey(*parsed.root, "SOFTWARE\\Korvel\\Stress\\Killed");
        if (const RegValue* roundValue = killed ? killed->FindValue("Round") : nullptr) {
            const auto written = RegValueAsInteger(*roundValue, "Round");
            EXPECT_GE(written, lastRound) << "a completed write is never lost";
            lastRound = written;
        }
    }
    EXPECT_GT(lastRound, 0) << "the writer got on with its work between kills";
    EXPECT_GT(killedWhileSaving, 0) << "some kills must land between the temporary file and the rename";
    EXPECT_TRUE(FilesNamedLike(".corrupt").empty());
    EXPECT_TRUE(reports_.empty());
}

TEST_F(HiveProcesses, TwoWritersOnOneKeyLoseNeitherOnesValues)
{
    constexpr int Count = 150;
    const pid_t first = StartWriter({"own", "First", std::to_string(Count)}, false);
    const pid_t second = StartWriter({"own", "Second", std::to_string(Count)}, false);
    EXPECT_EQ(WaitFor(first), 0);
    EXPECT_EQ(WaitFor(second), 0);

    const auto key = RegKey::Open(RegRoot::LocalMachine, "SOFTWARE\\Korvel\\Stress\\Shared", RegAccess::Read);
    ASSERT_TRUE(key);
    EXPECT_EQ(key->ValueNames().size(), 2u * Count);
    for (int n = 0; n < Count; ++n) {
        EXPECT_EQ(key->QueryValue("First" + std::to_string(n)), RegValue::FromDWord(static_cast<std::uint32_t>(n)));
        EXPECT_EQ(key->QueryValue("Second" + std::to_string(n)), RegValue::FromDWord(static_cast<std::uint32_t>(n)));
    }
}
