// Prints what the main window's settings cost with many message tracks stored: creating the
// window (which loads them), one SaveSettings (one atomic hive write) and destroying the window
// (which saves them again).
//   viewer_settings_figures [track count, default 2000]

#include "../BenchSupport.h"
#include "settings/RegistryHive.h"
#include "viewer/session/TraceSession.h"
#include "viewer/session/TrackRules.h"
#include "viewer/window/MainFormUnit.h"

#include <QApplication>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>

using namespace vireo;
using namespace vireo::bench;

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int trackCount = argc > 1 ? std::atoi(argv[1]) : 2000;
    QTemporaryDir hive;
    qputenv("VIREO_REGISTRY_DIR", hive.path().toUtf8());

    TTrackList tracks;
    for (int i = 0; i < trackCount; ++i)
        tracks.Add(std::make_unique<TTrackInfo>(
            TTrackInfo{"Watched event " + std::to_string(i), static_cast<TTrackKind>(i % 3)}));
    WriteTrackList(tracks);

    TraceSession session;
    std::unique_ptr<TForm_Main> form;
    const double create = Milliseconds([&] { form = std::make_unique<TForm_Main>(session); });
    const double save = Milliseconds([&] { form->SaveSettings(); });
    const double destroy = Milliseconds([&] { form.reset(); });
    const auto bytes = std::filesystem::file_size(HiveFilePath(RegRoot::LocalMachine));
    std::printf("tracks stored                                  %d (hive file %ju bytes)\n", trackCount,
                static_cast<std::uintmax_t>(bytes));
    std::printf("window created, settings and tracks loaded     %8.1f ms\n", create);
    std::printf("SaveSettings, one hive write                   %8.1f ms\n", save);
    std::printf("window destroyed (saves again)                 %8.1f ms\n", destroy);
    return 0;
}
