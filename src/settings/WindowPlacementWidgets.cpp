#include "settings/WindowPlacementWidgets.h"

#include <QGuiApplication>
#include <QHeaderView>
#include <QScreen>
#include <QTreeView>
#include <QWidget>

namespace vireo {

namespace {

class WidgetWindow final : public PlacementWindow {
public:
    explicit WidgetWindow(QWidget& window) : window_(window) {}

    WindowRect NormalRect() const override
    {
        const bool away = window_.isMaximized() || window_.isMinimized() || window_.isFullScreen();
        QRect rect = away ? window_.normalGeometry() : window_.geometry();
        if (!rect.isValid())
            rect = window_.geometry();
        return {rect.x(), rect.y(), rect.width(), rect.height()};
    }

    WindowShowState State() const override
    {
        if (window_.isMinimized())
            return WindowShowState::Minimised;
        return window_.isMaximized() ? WindowShowState::Maximised : WindowShowState::Normal;
    }

    BorderStyle Border() const override { return BorderStyleOf(window_); }

    ScreenSize Screen() const override
    {
        const QScreen* screen = QGuiApplication::primaryScreen();
        if (screen == nullptr)
            return {window_.width() + 100, window_.height() + 100};
        return {screen->geometry().width(), screen->geometry().height()};
    }

    void SetLeft(int left) override { Reshape([left](QRect& r) { r.moveLeft(left); }); }
    void SetTop(int top) override { Reshape([top](QRect& r) { r.moveTop(top); }); }
    void SetWidth(int width) override { Reshape([width](QRect& r) { r.setWidth(width); }); }
    void SetHeight(int height) override { Reshape([height](QRect& r) { r.setHeight(height); }); }

    void SetState(WindowShowState state) override
    {
        Qt::WindowStates states = window_.windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized);
        if (state == WindowShowState::Minimised)
            states |= Qt::WindowMinimized;
        else if (state == WindowShowState::Maximised)
            states |= Qt::WindowMaximized;
        window_.setWindowState(states);
    }

private:
    template <typename Change>
    void Reshape(Change change)
    {
        QRect rect = window_.geometry();
        change(rect);
        window_.setGeometry(rect);
    }

    QWidget& window_;
};

class HeaderColumns final : public PlacementColumns {
public:
    explicit HeaderColumns(const QHeaderView& header) : header_(const_cast<QHeaderView&>(header)) {}

    int Count() const override { return header_.count(); }

    int Width(int column) const override
    {
        return header_.isSectionHidden(column) ? 0 : header_.sectionSize(column);
    }

    void SetWidth(int column, int width) override
    {
        header_.setSectionHidden(column, false);
        header_.resizeSection(column, width);
    }

private:
    QHeaderView& header_;
};

} // namespace

BorderStyle BorderStyleOf(const QWidget& window)
{
    const Qt::WindowFlags flags = window.windowFlags();
    if (flags.testFlag(Qt::FramelessWindowHint))
        return BorderStyle::None;
    const bool tool = window.windowType() == Qt::Tool;
    const bool fixed = window.minimumSize() == window.maximumSize()
                       || flags.testFlag(Qt::MSWindowsFixedSizeDialogHint);
    if (!fixed)
        return tool ? BorderStyle::SizeToolWin : BorderStyle::Sizeable;
    if (tool)
        return BorderStyle::ToolWindow;
    return window.windowType() == Qt::Dialog ? BorderStyle::Dialog : BorderStyle::Single;
}

void SaveWindowPlacement(const QWidget& window, std::string_view keyName,
                         std::string_view windowName)
{
    SaveWindowPlacement(WidgetWindow(const_cast<QWidget&>(window)), keyName, windowName);
}

void RestoreWindowPlacement(QWidget& window, std::string_view keyName,
                            std::string_view windowName, bool keepPosition)
{
    WidgetWindow target(window);
    RestoreWindowPlacement(target, keyName, windowName, keepPosition);
}

void SaveColumnWidths(const QHeaderView& header, std::string_view keyName,
                      std::string_view listName)
{
    SaveColumnWidths(HeaderColumns(header), keyName, listName);
}

void SaveColumnWidths(const QTreeView& list, std::string_view keyName, std::string_view listName)
{
    SaveColumnWidths(*list.header(), keyName, listName);
}

void RestoreColumnWidths(QHeaderView& header, std::string_view keyName,
                         std::string_view listName)
{
    HeaderColumns columns(header);
    RestoreColumnWidths(columns, keyName, listName);
}

void RestoreColumnWidths(QTreeView& list, std::string_view keyName, std::string_view listName)
{
    RestoreColumnWidths(*list.header(), keyName, listName);
}

} // namespace vireo
