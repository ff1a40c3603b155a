#include "extract/minutiae/pairwise_removal.h"
#include "sdk/diagnostics.h"

#include <cstddef>
#include <cstdio>
#include <new>

namespace ridge {

bool allocate_removal_flags(int count, const char *routine, std::vector<char> &flags)
{
    try {
        flags.assign(static_cast<std::size_t>(count), 0);
    } catch (const std::bad_alloc &) {
        ridge::diagnostic(ridge::DiagnosticKind::Error, "ERROR : %s : calloc : to_remove\n", routine);
        return false;
    }
    return true;
}

int remove_flagged_minutiae(const std::vector<char> &flags, lfs::Minutiae &minutiae)
{
    for (int i = static_cast<int>(flags.size()) - 1; i >= 0; --i)
        if (flags[static_cast<std::size_t>(i)])
            if (const int ret = lfs::remove_minutia(i, minutiae))
                return ret;
    return 0;
}

} // namespace ridge
