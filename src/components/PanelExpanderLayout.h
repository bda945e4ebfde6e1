#pragma once

namespace vireo {

// The figures of an expander panel, in pixels.
struct TExpanderFigures {
    static constexpr int CollapsedHeight = 25;    // a collapsed panel, and a new one
    static constexpr int HeaderHeight = 20;       // the header strip
    static constexpr int ButtonSize = 20;         // the toggle button, square
    static constexpr int DefaultExpandHeight = 100; // expanded height before any item is laid out
    static constexpr int EmptyExpandHeight = 40;  // expanded height once the items are cleared
    static constexpr int FirstItemTop = 30;       // top of the first check box
    static constexpr int ItemGap = 2;             // between two check boxes
    static constexpr int BottomMargin = 10;       // below the last check box
    static constexpr int ItemWidthInset = 15;     // a check box is this much narrower than the panel
    static constexpr int MostRowsShown = 50;      // more entries scroll inside the panel's list
};

// Top of the check box at index (from 0) when check boxes are itemHeight high.
int ExpanderItemTop(int index, int itemHeight);

// Expanded height of a panel holding count (at least one) check boxes itemHeight high; beyond
// MostRowsShown entries the panel keeps the height of that many.
int ExpanderHeightFor(int count, int itemHeight);

// The steps of the group's vertical scroll bar.
struct TGroupScrollSteps {
    static constexpr int Line = 8;
    static constexpr int Page = 25;
};

// Where the group puts its container of panels.
struct TGroupPlacement {
    bool scrollBarVisible = false;
    int containerWidth = 0;
    int containerHeight = 0;
    int scrollMaximum = 0; // the scroll range is 0 .. scrollMaximum
};

// Places the container of panels whose heights add up to panelsHeight in a group of the given
// size: all of it in view without a scroll bar while it fits, else as tall as the panels
// beside a scroll bar.
TGroupPlacement PlaceGroupContainer(int panelsHeight, int groupWidth, int groupHeight, int scrollBarWidth);

} // namespace vireo
