// The match list reader.
#include "match_list.h"

#include <cctype>

namespace ridge {

namespace {

void skip_white_space(std::FILE *list)
{
    int c = std::getc(list);
    while (c != EOF && std::isspace(c))
        c = std::getc(list);
    if (c != EOF)
        std::ungetc(c, list);
}

enum class NameRead { Name, None, TooLong, HasNul };

// One run of non-blank characters after optional white space.
NameRead read_name(std::FILE *list, char *buffer, std::size_t capacity)
{
    skip_white_space(list);
    std::size_t length = 0;
    bool too_long = false;
    bool has_nul = false;
    int c = std::getc(list);
    while (c != EOF && !std::isspace(c)) {
        has_nul = has_nul || c == '\0';
        if (length + 1 < capacity)
            buffer[length++] = static_cast<char>(c);
        else
            too_long = true;
        c = std::getc(list);
    }
    if (c != EOF)
        std::ungetc(c, list);
    buffer[length] = '\0';
    if (length == 0)
        return NameRead::None;
    if (has_nul)
        return NameRead::HasNul;
    return too_long ? NameRead::TooLong : NameRead::Name;
}

} // namespace

PairRead read_name_pair(std::FILE *list, char (&first)[kFirstNameCapacity],
                        char (&second)[kSecondNameCapacity])
{
    const NameRead a = read_name(list, first, kFirstNameCapacity);
    if (a == NameRead::None)
        return PairRead::End;
    const NameRead b = read_name(list, second, kSecondNameCapacity);
    if (b == NameRead::None)
        return PairRead::End;
    skip_white_space(list);
    if (a == NameRead::HasNul || b == NameRead::HasNul)
        return PairRead::NameHasNul;
    if (a == NameRead::TooLong || b == NameRead::TooLong)
        return PairRead::NameTooLong;
    return PairRead::Pair;
}

} // namespace ridge
