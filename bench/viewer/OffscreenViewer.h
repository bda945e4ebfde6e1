#pragma once

// What every figure of the shown main window starts with: the offscreen platform, settings in a
// folder of the figure's own (never the user's), and the application.

#include <QApplication>
#include <QTemporaryDir>

namespace vireo::bench {

class OffscreenViewer {
public:
    // Sets the platform and the settings folder before the application starts.
    OffscreenViewer(int& argc, char** argv) : app_((Prepare(registry_), argc), argv) {}

private:
    static void Prepare(const QTemporaryDir& registry)
    {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        qputenv("VIREO_REGISTRY_DIR", registry.path().toUtf8());
    }

    QTemporaryDir registry_;
    QApplication app_;
};

} // namespace vireo::bench
