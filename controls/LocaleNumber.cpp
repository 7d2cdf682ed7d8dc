#include "LocaleNumber.h"

#include <QLocale>
#include <string>

namespace pace {

QString SystemDecimalSeparator() { return QLocale::system().decimalPoint(); }

// The plain functions work on ASCII with one separator character. The text is mapped to that
// form: the separator becomes '.', and every other '.' or non-ASCII character becomes '#',
// which the grammar refuses.
QString FormatNumberText(Extended x, int precision, int decimals, const QString& separator) {
    const std::string text = FormatNumber(x, precision, decimals, '.');
    QString out = QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
    if (separator != QLatin1String(".")) out.replace(QLatin1Char('.'), separator);
    return out;
}

std::optional<Extended> ParseNumberText(const QString& text, const QString& separator) {
    std::string mapped;
    mapped.reserve(static_cast<std::size_t>(text.size()));
    for (qsizetype i = 0; i < text.size();) {
        if (!separator.isEmpty() && text.mid(i, separator.size()) == separator) {
            mapped.push_back('.');
            i += separator.size();
            continue;
        }
        const char16_t c = text.at(i).unicode();
        mapped.push_back(c < 0x80 && c != u'.' ? static_cast<char>(c) : '#');
        ++i;
    }
    return ParseNumber(mapped, '.');
}

QString FormatLocalNumber(Extended x, int precision, int decimals) {
    return FormatNumberText(x, precision, decimals, SystemDecimalSeparator());
}

std::optional<Extended> ParseLocalNumber(const QString& text) {
    return ParseNumberText(text, SystemDecimalSeparator());
}

}  // namespace pace
