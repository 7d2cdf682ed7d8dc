// Arbitrary text through the number parsing with both separators; every number found must
// format and parse back without a crash, and a formatted value must parse again.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <string_view>

#include "NumberText.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    for (char separator : {'.', ','}) {
        const auto value = pace::ParseNumber(text, separator);
        if (!value) continue;
        if (!std::isfinite(*value)) __builtin_trap();
        // Rounding for display may carry a value next to the top of the range past it
        // (1.19E4932 for the largest one); everything else must read back.
        const bool nearTop = std::fabs(*value) > std::numeric_limits<pace::Extended>::max() / 2;
        for (int decimals : {0, 1, 6, 18}) {
            const std::string shown = pace::FormatNumber(*value, 15, decimals, separator);
            if (!pace::ParseNumber(shown, separator) && !nearTop) __builtin_trap();
        }
        const std::string point = pace::FormatNumber(*value, 3, 0, separator);
        if (!pace::ParseNumber(point, separator) && !nearTop) __builtin_trap();
    }
    return 0;
}
