#include <gtest/gtest.h>

#include <array>

#include "kiss/kiss_encoder.h"
#include "kiss/kiss_protocol.h"
#include "kiss_test_bytes.h"

namespace korvale {
namespace {

using kisstest::Bytes;
using kisstest::hex;

// The frames the TNC receives for the five parameters, in sending order.
std::vector<Bytes> parameterFrames(int txDelayMs, int persist, int slotTimeMs, int txTailMs,
                                   int fullDuplex) {
    std::vector<Bytes> frames;
    for (const KissParameter& p :
         kissParameterCommands(txDelayMs, persist, slotTimeMs, txTailMs, fullDuplex)) {
        frames.push_back(encodeKissFrame(p.command, std::span(&p.value, 1)));
    }
    return frames;
}

TEST(KissParameters, DefaultSettingsSendExpectedFramesInOrder) {
    EXPECT_EQ(parameterFrames(200, 63, 10, 0, 0),
              (std::vector<Bytes>{hex("C0 01 14 C0"), hex("C0 02 3F C0"), hex("C0 03 01 C0"),
                                  hex("C0 04 00 C0"), hex("C0 05 00 C0")}));
}

TEST(KissParameters, TimesAreTruncatedToTenMillisecondUnits) {
    const auto p = kissParameterCommands(205, 0, 19, 9, 0);
    EXPECT_EQ(p[0].value, 20);
    EXPECT_EQ(p[2].value, 1);
    EXPECT_EQ(p[3].value, 0);
}

TEST(KissParameters, FullDuplexOnIsSentAsOne) {
    EXPECT_EQ(parameterFrames(0, 0, 0, 0, 1)[4], hex("C0 05 01 C0"));
    // Any non-zero flag value counts as on.
    EXPECT_EQ(kissParameterCommands(0, 0, 0, 0, -7)[4].value, 1);
}

TEST(KissParameters, PersistenceOf192IsEscaped) {
    EXPECT_EQ(parameterFrames(0, 192, 0, 0, 0)[1], hex("C0 02 DB DC C0"));
}

TEST(KissParameters, LargestDialogValuesFitOneByte) {
    const auto p = kissParameterCommands(2550, 255, 2550, 2550, 0);
    EXPECT_EQ(p[0].value, 255);
    EXPECT_EQ(p[1].value, 255);
    EXPECT_EQ(p[2].value, 255);
    EXPECT_EQ(p[3].value, 255);
}

TEST(KissParameters, TimeTooLongForOneByteSaturatesInsteadOfWrapping) {
    // 2560 ms kept to eight bits would be 0: keying with no delay at all.
    EXPECT_EQ(kissParameterCommands(2560, 0, 0, 0, 0)[0].value, 255);
    EXPECT_EQ(kissParameterCommands(3000, 0, 0, 0, 0)[0].value, 255);
    EXPECT_EQ(kissParameterCommands(0, 0, 0, 100000, 0)[3].value, 255);
    EXPECT_EQ(kissParameterCommands(0, 0, 5000, 0, 0)[2].value, 255);
}

TEST(KissParameters, PersistenceAbove255SaturatesInsteadOfWrapping) {
    EXPECT_EQ(kissParameterCommands(0, 256, 0, 0, 0)[1].value, 255);
}

TEST(KissParameters, NegativeValuesAreSentAsZero) {
    const auto p = kissParameterCommands(-200, -1, -10, -2550, 0);
    EXPECT_EQ(p[0].value, 0);
    EXPECT_EQ(p[1].value, 0);
    EXPECT_EQ(p[2].value, 0);
    EXPECT_EQ(p[3].value, 0);
}

}  // namespace
}  // namespace korvale
