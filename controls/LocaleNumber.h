// The number format and parsing with the decimal separator of the user's locale
// (QLocale::system()), for the edit box and the curve grid.
#pragma once

#include <QString>
#include <optional>

#include "NumberText.h"

namespace pace {

// The user's decimal separator; nothing else in the programs decides it.
[[nodiscard]] QString SystemDecimalSeparator();

// FormatNumber and ParseNumber with the given separator, which may be any text (some
// locales use a character outside ASCII).
[[nodiscard]] QString FormatNumberText(Extended x, int precision, int decimals,
                                       const QString& separator);
[[nodiscard]] std::optional<Extended> ParseNumberText(const QString& text,
                                                      const QString& separator);

// The same with the user's separator.
[[nodiscard]] QString FormatLocalNumber(Extended x, int precision, int decimals);
[[nodiscard]] std::optional<Extended> ParseLocalNumber(const QString& text);

}  // namespace pace
