// Cap of 128 minutiae by reliability, then the final y, x order.
#include "extract/minutiae/minutiae_limit.h"

#include <algorithm>

namespace ridge {

void limit_minutiae(lfs::Minutiae &minutiae)
{
    auto &list = minutiae.list;
    // Stable sorts keep equal keys in detection order, so the result does not
    // depend on the library's sort.
    if (list.size() > static_cast<size_t>(kMaxTemplateMinutiae)) {
        std::stable_sort(list.begin(), list.end(), [](const lfs::Minutia &a, const lfs::Minutia &b) {
            return a.reliability > b.reliability;
        });
        list.resize(static_cast<size_t>(kMaxTemplateMinutiae));
    }
    std::stable_sort(list.begin(), list.end(), [](const lfs::Minutia &a, const lfs::Minutia &b) {
        return a.y != b.y ? a.y < b.y : a.x < b.x;
    });
}

} // namespace ridge
