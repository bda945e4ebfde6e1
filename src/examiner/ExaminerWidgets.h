#pragma once

#include <QPushButton>
#include <QString>

namespace vireo {

// A push button with its caption, its object name and, as its accessible name, the caption
// without the access-key marker.
QPushButton* CaptionedButton(QWidget* parent, const QString& caption, const QString& name);

} // namespace vireo
