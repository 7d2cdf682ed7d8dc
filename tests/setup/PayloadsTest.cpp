// The payloads of the identity and curve commands, the car byte of a typed car ID, and the
// driver name in the 8-bit code page.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Payloads.h"

namespace pace {
namespace {

ByteString Bytes(std::initializer_list<int> values) {
    ByteString out;
    for (int v : values) out += static_cast<char>(v);
    return out;
}

TEST(TiPayload, CarriesThePinAsTwoDecimalDigitPairs) {
    struct Case {
        int Pin;
        int Car;
        ByteString Expected;
    };
    const std::vector<Case> cases{
        {0, 1, Bytes({'T', 'I', 0, 0, 1, 0})},
        {9999, 1, Bytes({'T', 'I', 99, 99, 1, 0})},
        {7149, 24, Bytes({'T', 'I', 49, 71, 24, 0})},
        // Digit pairs, not the low and high bytes of 1200 (0xB0, 0x04).
        {1200, 5, Bytes({'T', 'I', 0, 12, 5, 0})},
        {5, 0, Bytes({'T', 'I', 5, 0, 0, 0})},
        {305, 3, Bytes({'T', 'I', 5, 3, 3, 0})},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TiPayload(c.Pin, static_cast<std::uint8_t>(c.Car)), c.Expected) << c.Pin;
}

TEST(ToAndTcPayloads, PutTheirCommandLettersFirst) {
    EXPECT_EQ(ToPayload(""), "TO");
    EXPECT_EQ(ToPayload("Valdrena"), "TOValdrena");
    EXPECT_EQ(TcPayloadHead(0), Bytes({'T', 'C', 0}));
    EXPECT_EQ(TcPayloadHead(9), Bytes({'T', 'C', 9}));
}

TEST(CarByteFor, CountsTypedTextThatEqualsAnEntryAsThatEntry) {
    std::vector<std::string> entries;
    for (int i = 1; i <= 24; ++i) entries.push_back(std::to_string(i));
    const std::vector<std::pair<std::string, int>> cases{
        {"1", 1},   {"5", 5},  {" 5 ", 5}, {"\t24", 24}, {"24", 24}, {"05", 0},
        {"5.0", 0}, {"25", 0}, {"0", 0},   {"", 0},      {"  ", 0},  {"abc", 0}};
    for (const auto& [text, car] : cases) EXPECT_EQ(CarByteFor(text, entries), car) << text;
}

TEST(ToAnsiCodePage, WritesWindows1252AndAQuestionMarkForWhatItCannotHold) {
    const std::vector<std::pair<std::string, ByteString>> cases{
        {"", ""},
        {"Valdrena", "Valdrena"},
        {"Jos\xC3\xA9", "Jos\xE9"},  // é
        {"\xE2\x82\xAC"
         "5",
         "\x80"
         "5"},  // € is 0x80 in this code page
        {"Stra\xC3\x9F"
         "e",
         "Stra\xDF"
         "e"},                      // ß
        {"\xCE\xA9mega", "?mega"},  // Ω is not in it
        {"a\xE4\xB8\xAD"
         "b",
         "a?b"},                        // a CJK character, three UTF-8 bytes
        {"x\xF0\x9F\x98\x80y", "x?y"},  // beyond the 16-bit range, four bytes
        {"\xC5\x81\xC3\xB3"
         "d\xC5\xBA",
         "?\xF3"
         "d?"},  // Łódź: no look-alike letters
    };
    for (const auto& [utf8, ansi] : cases) EXPECT_EQ(ToAnsiCodePage(utf8), ansi) << utf8;
}

}  // namespace
}  // namespace pace
