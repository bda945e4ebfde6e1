#pragma once

#include "viewer/session/QuickFilter.h"

#include <QWidget>

class QCheckBox;
class QLineEdit;

namespace vireo {

// The quick filter over the message list: its field ("Filter:", Escape clears it) and the
// toggles "Regular Expression", "Match Case" and "Exclude". It only says what they hold; the
// listing filters.
class QuickFilterBar : public QWidget {
    Q_OBJECT
public:
    explicit QuickFilterBar(QWidget* parent = nullptr);

    // What the field and the toggles hold.
    QuickFilterSettings Settings() const;
    // Puts settings in the field and the toggles (Changed follows).
    void SetSettings(const QuickFilterSettings& settings);
    // Marks the field with why the filter cannot be used, or clears the mark ("").
    void ShowProblem(const QString& problem);
    // Puts the focus in the field with its text selected (Ctrl+L).
    void FocusField();

signals:
    // The field or a toggle changed.
    void Changed();

private:
    QCheckBox* AddToggle(const char* name, const char* caption);

    QLineEdit* text_;
    QCheckBox* regularExpression_;
    QCheckBox* matchCase_;
    QCheckBox* exclude_;
};

} // namespace vireo
