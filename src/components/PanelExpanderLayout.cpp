#include "components/PanelExpanderLayout.h"

#include <algorithm>

namespace vireo {

int ExpanderItemTop(int index, int itemHeight)
{
    return TExpanderFigures::FirstItemTop + index * (itemHeight + TExpanderFigures::ItemGap);
}

int ExpanderHeightFor(int count, int itemHeight)
{
    const int shown = std::min(count, TExpanderFigures::MostRowsShown);
    return ExpanderItemTop(shown - 1, itemHeight) + itemHeight + TExpanderFigures::BottomMargin;
}

TGroupPlacement PlaceGroupContainer(int panelsHeight, int groupWidth, int groupHeight, int scrollBarWidth)
{
    const int total = 1 + panelsHeight;
    TGroupPlacement placement;
    if (total < groupHeight) {
        placement.containerWidth = groupWidth;
        placement.containerHeight = groupHeight - 1;
        return placement;
    }
    placement.scrollBarVisible = true;
    placement.containerWidth = groupWidth - scrollBarWidth;
    placement.containerHeight = total;
    placement.scrollMaximum = total - groupHeight;
    return placement;
}

} // namespace vireo
