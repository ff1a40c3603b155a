// The detector's minutiae list.
#include "lfs/lfs.h"
#include "sdk/diagnostics.h"

#include <algorithm>
#include <cstdio>
#include <utility>
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

int sort_minutiae_y_x_plain(Minutiae &minutiae, int iw, int /*ih*/)
{
    // Stable order on y*iw + x (a bubble sort in the original; a stable
    // sort gives the same order).
    auto &l = minutiae.list;
    const size_t n = l.size();
    std::vector<long long> rank(n);
    for (size_t i = 0; i < n; ++i)
        rank[i] = static_cast<long long>(l[i].y) * iw + l[i].x;
    // Insertion sort keeps equal ranks in list order and moves whole records.
    for (size_t i = 1; i < n; ++i) {
        Minutia m = l[i];
        long long r = rank[i];
        size_t j = i;
        while (j > 0 && rank[j - 1] > r) {
            l[j] = l[j - 1];
            rank[j] = rank[j - 1];
            --j;
        }
        l[j] = m;
        rank[j] = r;
    }
    return 0;
}

int sort_minutiae_y_x(Minutiae &minutiae, int iw, int /*ih*/)
{
    // The same stable order: ranks sorted with their list positions (the
    // position breaks ties, so any sort keeps equal ranks in list order),
    // then the records moved once.
    auto &l = minutiae.list;
    const size_t n = l.size();
    std::vector<std::pair<long long, size_t>> order(n);
    for (size_t i = 0; i < n; ++i)
        order[i] = {static_cast<long long>(l[i].y) * iw + l[i].x, i};
    std::sort(order.begin(), order.end());
    std::vector<Minutia> sorted(n);
    for (size_t i = 0; i < n; ++i)
        sorted[i] = l[order[i].second];
    std::copy(sorted.begin(), sorted.end(), l.begin());
    return 0;
}

} // namespace lfs
