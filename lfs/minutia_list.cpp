// The detector's minutiae list.
#include "lfs/lfs.h"
#include "sdk/diagnostics.h"

#include <algorithm>
#include <cstdio>
#include <new>

namespace lfs {

int alloc_minutiae(Minutiae &minutiae, int max_minutiae)
{
    try {
        minutiae.list.clear();
        minutiae.list.reserve(static_cast<size_t>(max_minutiae));
    } catch (const std::bad_alloc &) {
        ridge::diagnostic(ridge::DiagnosticKind::Error, "ERROR : alloc_minutiae : malloc : minutiae->list\n");
        return -431;
    }
    minutiae.alloc = max_minutiae;
    return 0;
}

int realloc_minutiae(Minutiae &minutiae, int incr_minutiae)
{
    try {
        minutiae.list.reserve(static_cast<size_t>(minutiae.alloc + incr_minutiae));
    } catch (const std::bad_alloc &) {
        ridge::diagnostic(ridge::DiagnosticKind::Error, "ERROR : realloc_minutiae : realloc : minutiae->list\n");
        return -432;
    }
    minutiae.alloc += incr_minutiae;
    return 0;
}

int create_minutia(Minutia &out, int x, int y, int ex, int ey, int direction, float reliability,
                   int type, int appearing, int feature_id)
{
    out = Minutia{};
    out.x = x;
    out.y = y;
    out.ex = ex;
    out.ey = ey;
    out.direction = direction;
    out.reliability = reliability;
    out.type = type;
    out.appearing = appearing;
    out.feature_id = feature_id;
    return 0;
}

int remove_minutia(int index, Minutiae &minutiae)
{
    if (index < 0 || index >= minutiae.num()) {
        ridge::diagnostic(ridge::DiagnosticKind::Error, "ERROR : remove_minutia : index out of range\n");
        return -380;
    }
    minutiae.list.erase(minutiae.list.begin() + index);
    return 0;
}

int sort_minutiae_y_x(Minutiae &minutiae, int iw, int /*ih*/)
{
    // Stable order on y*iw + x, as the original's bubble sort leaves it:
    // equal ranks keep their list order. A merge sort of the positions, so
    // that lists of any length sort in n log n.
    auto &l = minutiae.list;
    const size_t n = l.size();
    std::vector<long long> rank;
    std::vector<size_t> order;
    std::vector<Minutia> sorted;
    try {
        rank.resize(n);
        order.resize(n);
        sorted.reserve(n);
    } catch (const std::bad_alloc &) {
        ridge::diagnostic(ridge::DiagnosticKind::Error, "ERROR : sort_minutiae_y_x : malloc : ranks\n");
        return -310;
    }
    for (size_t i = 0; i < n; ++i) {
        rank[i] = static_cast<long long>(l[i].y) * iw + l[i].x;
        order[i] = i;
    }
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return rank[a] < rank[b]; });
    for (const size_t i : order)
        sorted.push_back(l[i]);
    l.swap(sorted);
    return 0;
}

} // namespace lfs
