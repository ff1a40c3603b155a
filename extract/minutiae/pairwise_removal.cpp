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
    // One pass that closes the gaps: the order of the survivors is that of
    // removing the marked entries one by one, without moving the list's
    // tail once per removal.
    std::vector<lfs::Minutia> &list = minutiae.list;
    for (std::size_t i = list.size(); i < flags.size(); ++i)
        if (flags[i]) {
            ridge::diagnostic(ridge::DiagnosticKind::Error, "ERROR : remove_minutia : index out of range\n");
            return -380;
        }
    std::size_t kept = 0;
    for (std::size_t i = 0; i < list.size(); ++i)
        if (i >= flags.size() || !flags[i])
            list[kept++] = list[i];
    list.resize(kept);
    return 0;
}

} // namespace ridge
