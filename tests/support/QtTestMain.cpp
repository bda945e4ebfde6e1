#include <QApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

// Tests that serve the bus or drive widgets need an application and its event loop. Windows read
// and write the settings hive, so unless a test run names a hive folder, it gets a fresh one of
// its own and never touches the user's.
int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir registry;
    if (qEnvironmentVariableIsEmpty("VIREO_REGISTRY_DIR"))
        qputenv("VIREO_REGISTRY_DIR", registry.path().toUtf8());
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
