#pragma once

#include <QDialog>
#include <QTimer>

class QLabel;
class QPushButton;

namespace vireo {

// The program's version as the About box shows it.
inline constexpr const char* kVireoVersion = "1.0.0";

// The About box's animated picture: a small bird beating its wings over a trace line, drawn by
// the program itself.
class TAboutAnimation : public QWidget {
    Q_OBJECT
public:
    // A still picture until Start.
    explicit TAboutAnimation(QWidget* parent = nullptr);

    // Starts the animation.
    void Start();
    // Whether the animation runs.
    bool Running() const { return timer_.isActive(); }
    // The frame shown, 0 up to kFrames - 1.
    int Frame() const { return frame_; }

    static constexpr int kFrames = 12; // frames of one wing beat

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QTimer timer_;
    int frame_ = 0;
};

// The About box "About Vireo": version, animated picture and a flat close button.
class TForm_About : public QDialog {
    Q_OBJECT
public:
    // A box centred on the screen; owner is the main window.
    explicit TForm_About(QWidget* owner);

    QLabel* Label_Version;           // "Version :"
    QLabel* Label_VersionNumber;     // the version, bold navy
    TAboutAnimation* Image_Animation; // the animated picture
    QPushButton* SpeedButton_Close;  // the flat close button

public slots:
    // The close button: closes the box.
    void SpeedButton_CloseClick();
};

} // namespace vireo
