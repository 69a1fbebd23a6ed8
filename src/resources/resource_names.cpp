#include "resources/resource_names.h"

#include <algorithm>

namespace tavox::resources {

std::optional<CursorResource> ViewerCursor(int number) {
    const auto found =
        std::find_if(kViewerCursors.begin(), kViewerCursors.end(),
                     [number](const CursorResource& cursor) { return cursor.number == number; });
    if (found == kViewerCursors.end()) {
        return std::nullopt;
    }
    return *found;
}

} // namespace tavox::resources
