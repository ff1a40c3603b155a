#include "lfs/minutia_grid.h"

#include <algorithm>
#include <cstddef>
#include <cstdlib>

namespace lfs {

namespace {

// Side of a cell in pixels. The look-alikes of the detection lie within 9
// pixels on each axis and the pairs of the removal tests within 19, so a
// query covers 2 x 2 or 3 x 3 cells.
constexpr int kCellSide = 20;

} // namespace

void MinutiaGrid::reset(int iw, int ih)
{
    iw_ = iw > 0 ? iw : 1;
    ih_ = ih > 0 ? ih : 1;
    columns_ = (iw_ + kCellSide - 1) / kCellSide;
    rows_ = (ih_ + kCellSide - 1) / kCellSide;
    cells_.assign(static_cast<size_t>(columns_) * static_cast<size_t>(rows_), std::vector<int>());
}

void MinutiaGrid::release() noexcept
{
    cells_ = std::vector<std::vector<int>>();
    columns_ = rows_ = 0;
}

int MinutiaGrid::column(long long x) const
{
    return static_cast<int>(std::min<long long>(std::max<long long>(x, 0), iw_ - 1)) / kCellSide;
}

int MinutiaGrid::row(long long y) const
{
    return static_cast<int>(std::min<long long>(std::max<long long>(y, 0), ih_ - 1)) / kCellSide;
}

std::vector<int> &MinutiaGrid::cell(int x, int y)
{
    return cells_[static_cast<size_t>(row(y)) * static_cast<size_t>(columns_) + static_cast<size_t>(column(x))];
}

void MinutiaGrid::insert(int position, int x, int y) { cell(x, y).push_back(position); }

void MinutiaGrid::erase(int position, int x, int y)
{
    std::vector<int> &c = cell(x, y);
    const auto it = std::find(c.begin(), c.end(), position);
    if (it != c.end()) {
        *it = c.back();
        c.pop_back();
    }
}

void MinutiaGrid::near(const std::vector<Minutia> &list, int x, int y, int reach, std::vector<int> &out) const
{
    out.clear();
    if (reach <= 0 || cells_.empty())
        return;
    // Clamping keeps the order of coordinates, so the cells between those
    // of the window's clamped ends hold every entry within reach.
    const long long lo_x = static_cast<long long>(x) - reach + 1, hi_x = static_cast<long long>(x) + reach - 1;
    const long long lo_y = static_cast<long long>(y) - reach + 1, hi_y = static_cast<long long>(y) + reach - 1;
    for (int r = row(lo_y); r <= row(hi_y); ++r)
        for (int c = column(lo_x); c <= column(hi_x); ++c)
            for (const int position :
                 cells_[static_cast<size_t>(r) * static_cast<size_t>(columns_) + static_cast<size_t>(c)]) {
                const Minutia &m = list[static_cast<size_t>(position)];
                if (std::llabs(static_cast<long long>(m.x) - x) < reach &&
                    std::llabs(static_cast<long long>(m.y) - y) < reach)
                    out.push_back(position);
            }
    std::sort(out.begin(), out.end());
}

void file_minutiae(MinutiaGrid &grid, const Minutiae &minutiae, int iw, int ih)
{
    grid.reset(iw, ih);
    for (size_t i = 0; i < minutiae.list.size(); ++i)
        grid.insert(static_cast<int>(i), minutiae.list[i].x, minutiae.list[i].y);
}

} // namespace lfs
