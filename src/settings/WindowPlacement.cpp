#include "settings/WindowPlacement.h"

#include "settings/RegUtils.h"
#include "settings/RegistryHive.h"

#include <exception>
#include <optional>

namespace vireo {

namespace {

constexpr std::string_view ShowCmdSuffix = " : ShowCmd";
constexpr std::string_view LeftSuffix = " : Left";
constexpr std::string_view TopSuffix = " : Top";
constexpr std::string_view WidthSuffix = " : Width";
constexpr std::string_view HeightSuffix = " : Height";

// Opens the key for writing; a key that cannot be opened makes the first write fail.
class PlacementWriter {
public:
    explicit PlacementWriter(std::string_view keyName)
        : key_(RegKey::Create(RegRoot::LocalMachine, PlacementKeyPath(keyName)))
    {
    }

    void Write(const std::string& name, std::int32_t number)
    {
        const auto value = RegValue::FromDWord(static_cast<std::uint32_t>(number));
        if (!key_ || key_->SetValue(name, value) != RegStatus::Ok)
            throw ERegistryException("Failed to set data for '" + name + "'");
    }

private:
    std::optional<RegKey> key_;
};

// A stored number; a missing value fails like a value of the wrong type.
std::int32_t ReadNumber(const RegKey& key, const std::string& name)
{
    const auto value = key.QueryValue(name);
    if (!value)
        throw ERegistryException("Invalid data type for '" + name + "'");
    return RegValueAsInteger(*value, name);
}

void ApplyPlacement(PlacementWindow& window, const RegKey& key, std::string_view windowName,
                    bool keepPosition)
{
    const auto name = [windowName](std::string_view suffix) {
        return PlacementValueName(windowName, suffix);
    };
    if (!keepPosition) {
        window.SetLeft(ReadNumber(key, name(LeftSuffix)));
        window.SetTop(ReadNumber(key, name(TopSuffix)));
    }
    if (IsSizeableBorder(window.Border())) {
        window.SetWidth(ReadNumber(key, name(WidthSuffix)));
        window.SetHeight(ReadNumber(key, name(HeightSuffix)));
    }
    const WindowRect current = window.NormalRect();
    const WindowRect reachable = KeepOnScreen(current, window.Screen());
    if (reachable.left != current.left)
        window.SetLeft(reachable.left);
    if (reachable.top != current.top)
        window.SetTop(reachable.top);
    window.SetState(ShowStateFromNumber(ReadNumber(key, name(ShowCmdSuffix))));
}

} // namespace

std::string PlacementKeyPath(std::string_view keyName)
{
    return "\\Software\\Korvel\\WindowPlacement\\" + std::string(keyName);
}

std::string PlacementValueName(std::string_view windowName, std::string_view suffix)
{
    return std::string(windowName) + std::string(suffix);
}

std::string ColumnWidthValueName(std::string_view listName, int column)
{
    return "ReportColWidth : " + std::string(listName) + "[" + std::to_string(column) + "]";
}

WindowShowState ShowStateFromNumber(std::int32_t number)
{
    switch (number) {
    case 1:
        return WindowShowState::Minimised;
    case 2:
        return WindowShowState::Maximised;
    default:
        return WindowShowState::Normal;
    }
}

WindowRect KeepOnScreen(WindowRect rect, ScreenSize screen)
{
    if (rect.left > screen.width - 50)
        rect.left = screen.width - 50;
    if (rect.top > screen.height - 50)
        rect.top = screen.height - 50;
    if (rect.left + rect.width < 60)
        rect.left = 60 - rect.width;
    if (rect.top + rect.height < 50)
        rect.top = 50 - rect.height;
    return rect;
}

bool IsSizeableBorder(BorderStyle style)
{
    return style != BorderStyle::Single && style != BorderStyle::Dialog
           && style != BorderStyle::ToolWindow;
}

int RestoredColumnWidth(std::int32_t stored)
{
    if (stored == 0)
        return 50;
    return stored < 0 ? -1 : stored;
}

void SaveWindowPlacement(const PlacementWindow& window, std::string_view keyName,
                         std::string_view windowName)
{
    PlacementWriter writer(keyName);
    const WindowRect rect = window.NormalRect();
    writer.Write(PlacementValueName(windowName, ShowCmdSuffix),
                 static_cast<std::int32_t>(window.State()));
    writer.Write(PlacementValueName(windowName, LeftSuffix), rect.left);
    writer.Write(PlacementValueName(windowName, TopSuffix), rect.top);
    writer.Write(PlacementValueName(windowName, WidthSuffix), rect.width);
    writer.Write(PlacementValueName(windowName, HeightSuffix), rect.height);
}

void RestoreWindowPlacement(PlacementWindow& window, std::string_view keyName,
                            std::string_view windowName, bool keepPosition)
{
    const auto key = RegKey::Open(RegRoot::LocalMachine, PlacementKeyPath(keyName), RegAccess::Read);
    if (!key || !key->QueryValue(PlacementValueName(windowName, LeftSuffix)))
        return;
    try {
        ApplyPlacement(window, *key, windowName, keepPosition);
    } catch (const std::exception&) {
        // A placement that cannot be read in full leaves what was applied so far.
    }
}

void SaveColumnWidths(const PlacementColumns& columns, std::string_view keyName,
                      std::string_view listName)
{
    PlacementWriter writer(keyName);
    for (int column = 0; column < columns.Count(); ++column)
        writer.Write(ColumnWidthValueName(listName, column), columns.Width(column));
}

void SaveColumnWidth(std::string_view keyName, std::string_view listName, int column, std::int32_t width)
{
    PlacementWriter(keyName).Write(ColumnWidthValueName(listName, column), width);
}

void RestoreColumnWidths(PlacementColumns& columns, std::string_view keyName,
                         std::string_view listName)
{
    const auto key = RegKey::Open(RegRoot::LocalMachine, PlacementKeyPath(keyName), RegAccess::Read);
    if (!key)
        return;
    for (int column = 0; column < columns.Count(); ++column) {
        const auto name = ColumnWidthValueName(listName, column);
        const auto value = key->QueryValue(name);
        if (!value)
            continue;
        const int width = RestoredColumnWidth(RegValueAsInteger(*value, name));
        if (width > 0)
            columns.SetWidth(column, width);
    }
}

} // namespace vireo
