// Reading the match list of ridgescore: two template file names per pair,
// each a run of characters without white space.
#ifndef RIDGESDK_SAMPLES_MATCH_LIST_H
#define RIDGESDK_SAMPLES_MATCH_LIST_H

#include <cstddef>
#include <cstdio>

namespace ridge {

// Room for the two names, the terminating zero included.
constexpr std::size_t kFirstNameCapacity = 260;
constexpr std::size_t kSecondNameCapacity = 256;

enum class PairRead {
    Pair,        // both names read
    End,         // the list ended before a second name
    NameTooLong, // a name did not fit its buffer; the pair was read past
    NameHasNul,  // a name holds a NUL byte, which would cut it short
};

// Reads the next pair as the conversion "%s %s\n" does (white space before
// and between the names is skipped, and all white space after the second),
// but never writes past either buffer: a longer name is read to its end
// and the pair reported as NameTooLong, each buffer then holding the
// start of its name. A name holding a NUL byte makes the pair NameHasNul
// (its buffer then ends at that byte).
PairRead read_name_pair(std::FILE *list, char (&first)[kFirstNameCapacity],
                        char (&second)[kSecondNameCapacity]);

} // namespace ridge

#endif
