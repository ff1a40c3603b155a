#include "support/binary_art.h"

#include <stdexcept>

namespace ridge_test {

BinaryArt binary_art(const std::vector<std::string> &rows)
{
    BinaryArt out;
    out.h = static_cast<int>(rows.size());
    out.w = rows.empty() ? 0 : static_cast<int>(rows[0].size());
    for (const auto &row : rows) {
        if (static_cast<int>(row.size()) != out.w)
            throw std::invalid_argument("binary_art: rows of different lengths");
        for (char c : row)
            out.pixels.push_back(c == '#' ? 1 : 0);
    }
    return out;
}

std::string art_text(const BinaryArt &image)
{
    std::string s;
    for (int y = 0; y < image.h; y++) {
        for (int x = 0; x < image.w; x++)
            s += image.at(x, y) ? '#' : '.';
        s += '\n';
    }
    return s;
}

} // namespace ridge_test
