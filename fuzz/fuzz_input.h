// Small helpers shared by the fuzz targets: reading fields off the front of
// the fuzzer's input and stopping loudly when an invariant breaks.
#ifndef RIDGESDK_FUZZ_FUZZ_INPUT_H
#define RIDGESDK_FUZZ_FUZZ_INPUT_H

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace ridge_fuzz {

// Consumes bytes from the front of the input; running out yields zeros.
class InputReader {
public:
    InputReader(const std::uint8_t *data, std::size_t size) : data_(data), size_(size) {}

    std::uint8_t byte()
    {
        if (size_ == 0)
            return 0;
        --size_;
        return *data_++;
    }
    std::uint16_t u16()
    {
        const std::uint16_t low = byte();
        return static_cast<std::uint16_t>(low | byte() << 8);
    }
    std::uint32_t u32()
    {
        const std::uint32_t low = u16();
        return low | std::uint32_t(u16()) << 16;
    }
    const std::uint8_t *rest() const { return data_; }
    std::size_t remaining() const { return size_; }

private:
    const std::uint8_t *data_;
    std::size_t size_;
};

// An invariant of the code under test failed: abort so the fuzzer keeps the
// input as a crash.
[[noreturn]] inline void invariant_failed(const char *what, const char *file, int line)
{
    std::fprintf(stderr, "fuzz invariant failed at %s:%d: %s\n", file, line, what);
    std::abort();
}

} // namespace ridge_fuzz

#define FUZZ_REQUIRE(cond)                                                                        \
    do {                                                                                          \
        if (!(cond))                                                                              \
            ridge_fuzz::invariant_failed(#cond, __FILE__, __LINE__);                             \
    } while (0)

#endif
