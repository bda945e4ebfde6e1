#include "viewer/session/HistoryLimit.h"

#include <algorithm>

namespace vireo {

int MessagesToDrop(const HistoryLimit& limit, int count, std::int64_t bytes,
                   const std::function<std::int64_t(int index)>& bytesOf)
{
    int drop = 0;
    if (limit.MaxMessages > 0 && count > limit.MaxMessages)
        drop = count - limit.MaxMessages + limit.MaxMessages / 8;
    const std::int64_t maxBytes = std::int64_t(limit.MaxMegabytes) << 20;
    if (maxBytes > 0 && bytes > maxBytes) {
        const std::int64_t excess = bytes - (maxBytes - maxBytes / 8);
        std::int64_t freed = 0;
        int oldest = 0;
        while (oldest < count && freed < excess)
            freed += bytesOf(oldest++);
        drop = std::max(drop, oldest);
    }
    return std::min(drop, count);
}

} // namespace vireo
