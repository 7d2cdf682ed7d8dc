// Data frames, link-up command and the reply-frame decoder, byte for byte.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "FrameCodec.h"

namespace pace {
namespace {

ByteString Bytes(std::initializer_list<int> values) {
    ByteString s;
    for (int v : values) s.push_back(static_cast<char>(v));
    return s;
}

ByteString Zeros(std::size_t n) { return ByteString(n, '\0'); }

struct DataFrameCase {
    const char* Name;
    std::uint8_t Size;
    ByteString Payload;
    ByteString Expected;
};

class DataFrames : public ::testing::TestWithParam<DataFrameCase> {};

TEST_P(DataFrames, AreHeaderSizePayloadAndZeroFill) {
    const auto& c = GetParam();
    EXPECT_EQ(BuildDataFrame(c.Size, c.Payload), c.Expected);
}

const ByteString SixBytes = Bytes({'T', 'I', 0x05, 0x22, 0x0C, 0x1C});
const ByteString ThirtyTwo(32, 'a');
const ByteString Forty(40, 'b');

INSTANTIATE_TEST_SUITE_P(
    Cases, DataFrames,
    ::testing::Values(
        DataFrameCase{"Empty", 32, "", Bytes({0x44, 0x20}) + Zeros(32)},
        DataFrameCase{"SixBytes", 32, SixBytes, Bytes({0x44, 0x20}) + SixBytes + Zeros(26)},
        DataFrameCase{"ExactlyFull", 32, ThirtyTwo, Bytes({0x44, 0x20}) + ThirtyTwo},
        // A longer payload is neither cut nor refused; the size byte still reads 32.
        DataFrameCase{"Longer", 32, Forty, Bytes({0x44, 0x20}) + Forty},
        // No escaping towards the transceiver.
        DataFrameCase{"EndAndEscapeBytesAsTheyAre", 32, Bytes({0x21, 0x0D, 0x00}),
                      Bytes({0x44, 0x20, 0x21, 0x0D, 0x00}) + Zeros(29)},
        DataFrameCase{"SizeZero", 0, "", Bytes({0x44, 0x00})},
        // size + 2 is taken as a whole number: 257 bytes, not a wrapped 8-bit length.
        DataFrameCase{"SizeMaximum", 255, "x", Bytes({0x44, 0xFF, 'x'}) + Zeros(254)}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(DataFrames, LengthsForThePayloadSizesTheWindowsSend) {
    EXPECT_EQ(BuildDataFrame(DataFrameSize, Zeros(6)).size(), 34u);
    EXPECT_EQ(BuildDataFrame(DataFrameSize, ThirtyTwo).size(), 34u);
    EXPECT_EQ(BuildDataFrame(DataFrameSize, Forty).size(), 42u);
}

TEST(LinkUpCommands, AreSevenBytesEndingInTheProgramsByte) {
    EXPECT_EQ(LinkUpCommand(SetupLinkUpLastByte),
              Bytes({0x5A, 0x53, 0x00, 0x45, 0x00, 0x50, 0x08}));
    EXPECT_EQ(LinkUpCommand(MonitorLinkUpLastByte),
              Bytes({0x5A, 0x53, 0x00, 0x45, 0x00, 0x50, 0x0A}));
}

// Feeds receive events to a decoder and collects the frames it yields.
std::vector<ByteString> Decode(ReplyDecoder& decoder, const std::vector<ByteString>& events) {
    std::vector<ByteString> frames;
    for (const auto& event : events)
        for (char c : event)
            if (auto frame = decoder.TakeByte(static_cast<std::uint8_t>(c)))
                frames.push_back(*frame);
    return frames;
}

struct DecodeCase {
    const char* Name;
    std::vector<ByteString> Events;
    std::vector<ByteString> Frames;
    ByteString LeftInFrame;
    std::uint8_t LeftEscape;
};

class ReplyFrames : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(ReplyFrames, DecodeAsTheStreamSays) {
    const auto& c = GetParam();
    ReplyDecoder decoder;
    EXPECT_EQ(Decode(decoder, c.Events), c.Frames);
    EXPECT_EQ(decoder.RxText(), c.LeftInFrame);
    EXPECT_EQ(decoder.RxEscape(), c.LeftEscape);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReplyFrames,
    ::testing::Values(
        DecodeCase{"Hello", {"IWRX\r"}, {"IWRX"}, "", 0},
        DecodeCase{"FirstByteEscaped", {Bytes({0x21, 0xB6}) + "WRX\r"}, {"IWRX"}, "", 0},
        DecodeCase{"EscapedEndByteIsContent", {Bytes({0x21, 0xF2, 0x0D})}, {Bytes({0x0D})}, "", 0},
        DecodeCase{
            "EscapedEscapeByteIsContent", {Bytes({0x21, 0xDE, 0x0D})}, {Bytes({0x21})}, "", 0},
        DecodeCase{"EscapeThenEscapeByte", {Bytes({0x21, 0x21, 0x0D})}, {Bytes({0xDE})}, "", 0},
        DecodeCase{"LoneEndByteIsAnEmptyFrame", {"\r"}, {""}, "", 0},
        DecodeCase{"TwoFramesInOneEvent", {"ab\rcd\r"}, {"ab", "cd"}, "", 0},
        DecodeCase{"FrameSplitAcrossEvents", {"IW", "R", "X\r"}, {"IWRX"}, "", 0},
        DecodeCase{"EscapePairSplitAcrossEvents",
                   {"a!", Bytes({0xF2}) + "\r"},
                   {"a" + Bytes({0x0D})},
                   "",
                   0},
        DecodeCase{"EscapeEndsTheLastEvent", {"a!"}, {}, "a", 1},
        DecodeCase{"UnfinishedFrameIsKept", {"IWR"}, {}, "IWR", 0},
        DecodeCase{"ZeroBytesAreContent", {Bytes({0x00, 0x00, 0x0D})}, {Zeros(2)}, "", 0}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(ReplyDecoder, ClearFrameKeepsTheEscapeState) {
    ReplyDecoder decoder;
    (void)Decode(decoder, {"abc!"});
    decoder.ClearFrame();
    EXPECT_EQ(decoder.RxText(), "");
    EXPECT_EQ(decoder.RxEscape(), 1);
    // The first byte after the probe is still taken as escaped.
    EXPECT_EQ(Decode(decoder, {Bytes({0xB6}) + "WRX\r"}), std::vector<ByteString>{"IWRX"});
}

TEST(ReplyDecoder, ClearEscapeKeepsTheFrame) {
    ReplyDecoder decoder;
    (void)Decode(decoder, {"IW!"});
    decoder.ClearEscape();
    EXPECT_EQ(decoder.RxEscape(), 0);
    EXPECT_EQ(Decode(decoder, {"RX\r"}), std::vector<ByteString>{"IWRX"});
}

// A device that never sends an end byte must not make the frame grow without end.
class OversizedFrames : public ::testing::Test {
protected:
    std::vector<ByteString> Feed(const ByteString& bytes) { return Decode(Decoder, {bytes}); }
    ReplyDecoder Decoder;
};

TEST_F(OversizedFrames, AFrameOfTheLimitIsStillWhole) {
    const ByteString content(MaxReplyFrameBytes, 'a');
    EXPECT_EQ(Feed(content + "\r"), std::vector<ByteString>{content});
}

TEST_F(OversizedFrames, OneByteMoreDropsTheFrameUpToItsEndByte) {
    EXPECT_TRUE(Feed(ByteString(MaxReplyFrameBytes + 1, 'a')).empty());
    EXPECT_TRUE(Decoder.RxText().empty());
    EXPECT_TRUE(Feed("IWRX").empty());
    // The end byte closes the dropped frame; it yields nothing, and the next frame is whole.
    EXPECT_EQ(Feed("\rIWRX\r"), std::vector<ByteString>{"IWRX"});
}

TEST_F(OversizedFrames, EscapesAreFollowedWhileDiscarding) {
    (void)Feed(ByteString(MaxReplyFrameBytes + 1, 'a'));
    // 0x21 0x0D is an escaped content byte, not the end of the dropped frame.
    EXPECT_TRUE(Feed(Bytes({0x21, 0x0D}) + "IWRX").empty());
    EXPECT_EQ(Decoder.RxEscape(), 0);
    EXPECT_EQ(Feed("\rab\r"), std::vector<ByteString>{"ab"});
}

TEST_F(OversizedFrames, AnEscapeAtTheLimitIsFollowedToo) {
    (void)Feed(ByteString(MaxReplyFrameBytes, 'a'));
    // The escaped byte is the one too many: the frame is dropped and its end byte is the next
    // unescaped 0x0D.
    EXPECT_TRUE(Feed(Bytes({0x21, 0xF2, 0x21, 0x0D})).empty());
    EXPECT_EQ(Feed("\rok\r"), std::vector<ByteString>{"ok"});
}

TEST_F(OversizedFrames, ClearFrameEndsTheDiscarding) {
    (void)Feed(ByteString(MaxReplyFrameBytes + 10, 'a'));
    Decoder.ClearFrame();
    EXPECT_EQ(Feed("IWRX\r"), std::vector<ByteString>{"IWRX"});
}

TEST_F(OversizedFrames, MemoryStaysBoundedWhateverArrives) {
    for (int i = 0; i < 256; ++i) {
        (void)Feed(ByteString(4000, static_cast<char>(0x41 + i % 20)));
        ASSERT_LE(Decoder.RxText().size(), MaxReplyFrameBytes);
        ASSERT_LE(Decoder.RxText().capacity(), 2 * MaxReplyFrameBytes);
    }
}

}  // namespace
}  // namespace pace
