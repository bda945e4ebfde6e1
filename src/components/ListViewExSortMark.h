#pragma once

namespace vireo {

// Where the sort mark of a list goes, in the coordinates the list's edges are given in.
struct TSortMarkPlace {
    bool placed = false; // false: the mark is hidden
    bool visible = false; // placed and not left of the list
    int left = 0;
    int top = 0;
    int size = 0;
};

// What placing the sort mark depends on.
struct TSortMarkInput {
    int listLeft = 0;          // the list's left edge
    int listTop = 0;           // the list's top edge
    int listWidth = 0;         // the list's width
    int scrollBarWidth = 0;    // the width of a vertical scroll bar
    int sortColumnRight = 0;   // right edge of the sort column, unscrolled
    int sortColumnWidth = 0;   // width of the sort column
    int horizontalScroll = 0;  // how far the list is scrolled to the right
    int markWidth = 0;         // the mark's current width (0 when just created)
};

// Places the 10 x 10 mark 11 pixels left of the sort column's right edge and 3 below the
// list's top; hides it when that edge is out of view or the column is too narrow for it.
TSortMarkPlace PlaceSortMark(const TSortMarkInput& in);

} // namespace vireo
