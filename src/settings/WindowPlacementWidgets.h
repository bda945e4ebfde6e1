#pragma once

#include "settings/WindowPlacement.h"

#include <string_view>

class QHeaderView;
class QTreeView;
class QWidget;

namespace vireo {

// The border style a Qt window stands for: fixed-size windows have a fixed border, tool
// windows a tool-window border, frameless ones none.
BorderStyle BorderStyleOf(const QWidget& window);

// Saves a top-level window's state and normal rectangle (a maximised window keeps its restored
// bounds).
void SaveWindowPlacement(const QWidget& window, std::string_view keyName,
                         std::string_view windowName);

// Restores what SaveWindowPlacement stored, kept reachable on the primary screen.
void RestoreWindowPlacement(QWidget& window, std::string_view keyName,
                            std::string_view windowName, bool keepPosition);

// Saves the widths of a header's sections (a hidden section has width 0).
void SaveColumnWidths(const QHeaderView& header, std::string_view keyName,
                      std::string_view listName);
// Saves the widths of a report list's columns.
void SaveColumnWidths(const QTreeView& list, std::string_view keyName, std::string_view listName);

// Restores stored section widths; a restored width shows a hidden section again.
void RestoreColumnWidths(QHeaderView& header, std::string_view keyName,
                         std::string_view listName);
// Restores the stored widths of a report list's columns.
void RestoreColumnWidths(QTreeView& list, std::string_view keyName, std::string_view listName);

} // namespace vireo
