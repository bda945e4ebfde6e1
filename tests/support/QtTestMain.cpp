#include <QApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

// Tests that serve the bus or drive widgets need an application and its event loop.
int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // The main window reads and writes settings: keep them in a folder of the run's own, never
    // in the user's.
    QTemporaryDir registry;
    if (qEnvironmentVariableIsEmpty("VIREO_REGISTRY_DIR"))
        qputenv("VIREO_REGISTRY_DIR", registry.path().toUtf8());
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
