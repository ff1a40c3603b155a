// Chain codes of closed contours and the sense in which they turn.
#include "lfs/shape.h"
#include "sdk/diagnostics.h"

#include <cstdio>
#include <new>

namespace lfs {

namespace {

// Code of the step (dx, dy), indexed by (dy+1)*3 + dx+1:
//   3 2 1
//   4 . 0
//   5 6 7
constexpr int chaincodes_nbr8[9] = {3, 2, 1, 4, -1, 0, 5, 6, 7};

int step_code(int dx, int dy)
{
    // Consecutive contour points are 8-neighbours; anything else has no
    // code (-1) rather than an index outside the table.
    if (dx < -1 || dx > 1 || dy < -1 || dy > 1)
        return -1;
    return chaincodes_nbr8[(dy + 1) * 3 + dx + 1];
}

// Turn between two codes as the shorter way round: left turns count
// positive, right turns negative.
int turn(int from, int to)
{
    int d = to - from;
    if (d >= 4)
        d -= 8;
    else if (d <= -4)
        d += 8;
    return d;
}

} // namespace

int chain_code_loop(std::vector<int> &chain, const Contour &contour)
{
    chain.clear();
    const int ncontour = contour.num();
    // Three points or fewer make no loop.
    if (ncontour <= 3)
        return 0;
    try {
        chain.resize(static_cast<size_t>(ncontour));
    } catch (const std::bad_alloc &) {
        ridge::diagnostic(ridge::DiagnosticKind::Error, "ERROR : chain_code_loop : malloc : chain\n");
        return -170;
    }
    int i = 0;
    for (; i < ncontour - 1; i++)
        chain[static_cast<size_t>(i)] = step_code(contour.x[i + 1] - contour.x[i], contour.y[i + 1] - contour.y[i]);
    chain[static_cast<size_t>(i)] = step_code(contour.x[0] - contour.x[i], contour.y[0] - contour.y[i]);
    return 0;
}

int is_chain_clockwise(const std::vector<int> &chain, int default_ret)
{
    const int nchain = static_cast<int>(chain.size());
    if (nchain == 0)
        return default_ret;
    int sum = 0;
    int i = 0;
    for (; i < nchain - 1; i++)
        sum += turn(chain[static_cast<size_t>(i)], chain[static_cast<size_t>(i + 1)]);
    sum += turn(chain[static_cast<size_t>(i)], chain[0]);
    if (sum == 0)
        return default_ret;
    // More right-hand turns than left-hand ones: clockwise.
    return sum < 0 ? LFS_TRUE : LFS_FALSE;
}

} // namespace lfs
