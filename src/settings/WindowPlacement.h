#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vireo {

// The key, below HKEY_LOCAL_MACHINE, that the placement of a window is kept in.
std::string PlacementKeyPath(std::string_view keyName);

// The name of one placement value: window name followed by a suffix such as " : Left".
std::string PlacementValueName(std::string_view windowName, std::string_view suffix);

// The name of a column's width value: "ReportColWidth : " list name "[" index "]".
std::string ColumnWidthValueName(std::string_view listName, int column);

// The state a window is saved in.
enum class WindowShowState : std::int32_t { Normal = 0, Minimised = 1, Maximised = 2 };

// The state a stored number stands for; unknown numbers restore a normal window.
WindowShowState ShowStateFromNumber(std::int32_t number);

// A window's normal (restored) rectangle, in pixels.
struct WindowRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    bool operator==(const WindowRect&) const = default;
};

// The primary screen's size, in pixels.
struct ScreenSize {
    int width = 0;
    int height = 0;
};

// Moves a restored window so that part of it stays reachable on the screen.
WindowRect KeepOnScreen(WindowRect rect, ScreenSize screen);

// How a window's border lets it be sized.
enum class BorderStyle { None, Single, Sizeable, Dialog, ToolWindow, SizeToolWin };

// Whether a restore applies the stored width and height to a window of that border.
bool IsSizeableBorder(BorderStyle style);

// The width a stored column width restores: 0 (a column hidden when saved) comes back as 50;
// a negative number is no width, and the column keeps the width it was designed with (-1).
int RestoredColumnWidth(std::int32_t stored);

// A window as the placement functions see it, so their rules run without widgets.
class PlacementWindow {
public:
    virtual ~PlacementWindow() = default;
    // The rectangle the window has when neither minimised nor maximised.
    virtual WindowRect NormalRect() const = 0;
    // Whether it is normal, minimised or maximised.
    virtual WindowShowState State() const = 0;
    // How its border lets it be sized.
    virtual BorderStyle Border() const = 0;
    // The primary screen's size.
    virtual ScreenSize Screen() const = 0;
    // Moves the normal rectangle's left edge.
    virtual void SetLeft(int left) = 0;
    // Moves the normal rectangle's top edge.
    virtual void SetTop(int top) = 0;
    // Sets the normal rectangle's width.
    virtual void SetWidth(int width) = 0;
    // Sets the normal rectangle's height.
    virtual void SetHeight(int height) = 0;
    // Minimises, maximises or restores the window.
    virtual void SetState(WindowShowState state) = 0;
};

// The columns of a report list as the column-width functions see them.
class PlacementColumns {
public:
    virtual ~PlacementColumns() = default;
    // The number of columns.
    virtual int Count() const = 0;
    // A column's width; 0 for a hidden column.
    virtual int Width(int column) const = 0;
    // Sets a column's width (a positive width also shows a hidden column).
    virtual void SetWidth(int column, int width) = 0;
};

// Writes the window's state and normal rectangle under the key; raises ERegistryException
// "Failed to set data for '%s'" when a value cannot be written.
void SaveWindowPlacement(const PlacementWindow& window, std::string_view keyName,
                         std::string_view windowName);

// Applies what SaveWindowPlacement stored; does nothing when nothing was stored, and ends
// silently at the first value it cannot read. keepPosition leaves left and top alone.
void RestoreWindowPlacement(PlacementWindow& window, std::string_view keyName,
                            std::string_view windowName, bool keepPosition);

// Writes one width value per column; raises ERegistryException when one cannot be written.
void SaveColumnWidths(const PlacementColumns& columns, std::string_view keyName,
                      std::string_view listName);

// Writes one column's width value (a negative one restores nothing); raises
// ERegistryException when it cannot be written.
void SaveColumnWidth(std::string_view keyName, std::string_view listName, int column, std::int32_t width);

// Applies the stored widths to the columns that have one; raises ERegistryException for a
// stored width that is not a 32-bit number.
void RestoreColumnWidths(PlacementColumns& columns, std::string_view keyName,
                         std::string_view listName);

} // namespace vireo
