#include "intake/StartMode.h"

#include <gtest/gtest.h>

using namespace vireo;

TEST(StartMode, SwitchesNeedALeadingDashOrSlashAndIgnoreCase)
{
    EXPECT_EQ(DecideStartMode({}), StartMode::Standalone);
    EXPECT_EQ(DecideStartMode({"/RegServer"}), StartMode::Register);
    EXPECT_EQ(DecideStartMode({"-regserver"}), StartMode::Register);
    EXPECT_EQ(DecideStartMode({"regserver"}), StartMode::Standalone);
    EXPECT_EQ(DecideStartMode({"--regserver"}), StartMode::Standalone);
    EXPECT_EQ(DecideStartMode({"/UNREGSERVER"}), StartMode::Unregister);
    EXPECT_EQ(DecideStartMode({"-Embedding"}), StartMode::Automation);
    EXPECT_EQ(DecideStartMode({"/automation"}), StartMode::Automation);
    EXPECT_EQ(DecideStartMode({"-"}), StartMode::Standalone);
}

TEST(StartMode, AutomationWinsOverRegisterWhichWinsOverUnregister)
{
    EXPECT_EQ(DecideStartMode({"/Automation", "/UnregServer"}), StartMode::Automation);
    EXPECT_EQ(DecideStartMode({"/UnregServer", "-Embedding"}), StartMode::Automation);
    EXPECT_EQ(DecideStartMode({"-unregserver", "-regserver"}), StartMode::Register);
    EXPECT_EQ(DecideStartMode({"unit.pas", "-x", "/UnRegServer"}), StartMode::Unregister);
}
