#include "components/ListViewExSortMark.h"

namespace vireo {

TSortMarkPlace PlaceSortMark(const TSortMarkInput& in)
{
    constexpr int markSize = 10;
    TSortMarkPlace place;
    const int right = in.sortColumnRight - in.horizontalScroll;
    if (in.listWidth - in.scrollBarWidth - 4 < right || in.sortColumnWidth < in.markWidth + 5)
        return place;
    place.placed = true;
    place.size = markSize;
    place.left = in.listLeft + right - markSize - 1;
    place.top = in.listTop + 3;
    place.visible = place.left >= in.listLeft + 1;
    return place;
}

} // namespace vireo
