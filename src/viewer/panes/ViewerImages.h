#pragma once

#include <QIcon>
#include <QList>

namespace vireo {

// The viewer's small 16 x 16 images, drawn in code. Needs a running QGuiApplication.
class ViewerImages {
public:
    // The seven tree images: 0 alarm clock, 1 pointing hand, 2 blue arrow, 3 glowing light bulb
    // (general), 4 letter i in an octagon (information), 5 ambulance with a flashing light
    // (warning), 6 red prohibition sign (error).
    static QList<QIcon> TreeImages();
    // The four message type images, general to error (the motifs of tree images 3 to 6).
    static QList<QIcon> MessageTypeImages();
    // The key-mark image: a red tick.
    static QIcon KeyMarkImage();
};

} // namespace vireo
