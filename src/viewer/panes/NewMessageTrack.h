#pragma once

#include "viewer/session/TrackRules.h"

#include <QDialog>

#include <functional>

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace vireo {

// The add-track dialog: a text and the kinds of track wanted for it. On OK it refuses the kinds
// that already have a track of that text and sets the result flags of the others.
class TForm_NewMessageTrack : public QDialog {
    Q_OBJECT
public:
    // Creates the dialog over parent; tracks are the existing ones a new text is checked against.
    TForm_NewMessageTrack(const TTrackList& tracks, QWidget* parent);

    // Shows a refusal in a box captioned "Information"; tests replace the modal box.
    std::function<void(const QString& text)> ShowMessageBox;

    QLineEdit* Edit_Message;         // the text to track
    QCheckBox* CheckBox_Exact;       // "Exact Match"
    QCheckBox* CheckBox_StartWith;   // "Starting With Match"
    QCheckBox* CheckBox_Containing;  // "Containing Match"
    QPushButton* Button_Ok;          // "&Ok": enabled while a box is checked
    QPushButton* Button_Cancel;      // "&Cancel"

    bool AddExact = false;       // on OK: add an exact track
    bool AddStartWith = false;   // on OK: add a starting-with track
    bool AddContaining = false;  // on OK: add a containing track

public slots:
    // Any of the three boxes was clicked: OK is enabled exactly when one is checked.
    void CheckBox_ExactClick();
    // OK: reports each taken kind, flags the others and closes with the result OK.
    void Button_OkClick();

private:
    QCheckBox* AddCheckBox(const char* name, const QString& caption);
    // Places the dialog in the middle of its screen rather than over its parent.
    void CentreOnScreen();

    const TTrackList& tracks_;
};

} // namespace vireo
