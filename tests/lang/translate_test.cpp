#include "lang/translate.h"

#include <gtest/gtest.h>

#include <climits>

#include "lang/language_table.h"
#include "lang/ui_texts.h"

namespace korvale {
namespace {

class PortErrorMessageTest : public ::testing::Test {
  protected:
    void SetUp() override { TheLanguageTable().clear(); }
    void TearDown() override { TheLanguageTable().clear(); }

    static void Translate(std::string_view text) {
        TheLanguageTable().addEntry("Strings", std::string(kMsgCannotOpenPort), std::string(text));
    }
};

TEST_F(PortErrorMessageTest, EnglishFormatGetsThePortNumber) {
    EXPECT_EQ(TranslateMsgWithInt(kMsgCannotOpenPort, 12),
              "Error: Cannot open COM12! Port is disabled.\r");
}

TEST_F(PortErrorMessageTest, TranslatedFormatGetsThePortNumber) {
    Translate("Fehler: COM%i kann nicht geöffnet werden!\r");
    EXPECT_EQ(TranslateMsgWithInt(kMsgCannotOpenPort, 3),
              "Fehler: COM3 kann nicht geöffnet werden!\r");
}

TEST_F(PortErrorMessageTest, PercentDConversionAndPercentEscapesAreAccepted) {
    Translate("100%% kaputt: COM%d\r");
    EXPECT_EQ(TranslateMsgWithInt(kMsgCannotOpenPort, -1), "100% kaputt: COM-1\r");
}

TEST_F(PortErrorMessageTest, TranslationReadingAStringFallsBackToEnglish) {
    Translate("%s COM%i\r");
    EXPECT_EQ(TranslateMsgWithInt(kMsgCannotOpenPort, 7),
              "Error: Cannot open COM7! Port is disabled.\r");
}

TEST_F(PortErrorMessageTest, TranslationWithTwoConversionsFallsBackToEnglish) {
    Translate("COM%i / COM%i\r");
    EXPECT_EQ(TranslateMsgWithInt(kMsgCannotOpenPort, 7),
              "Error: Cannot open COM7! Port is disabled.\r");
}

TEST_F(PortErrorMessageTest, TranslationWithoutConversionFallsBackToEnglish) {
    Translate("Port kaputt\r");
    EXPECT_EQ(TranslateMsgWithInt(kMsgCannotOpenPort, 7),
              "Error: Cannot open COM7! Port is disabled.\r");
}

TEST_F(PortErrorMessageTest, WriteConversionAndWidthAreRefused) {
    EXPECT_FALSE(HasSingleIntConversion("COM%i%n"));
    EXPECT_FALSE(HasSingleIntConversion("COM%5i"));
    EXPECT_FALSE(HasSingleIntConversion("COM%li"));
    EXPECT_FALSE(HasSingleIntConversion("COM%i 50%"));
    EXPECT_TRUE(HasSingleIntConversion("COM%i 50%%"));
}

TEST_F(PortErrorMessageTest, ExtremePortNumbersAreWrittenInFull) {
    EXPECT_EQ(TranslateMsgWithInt("COM%i", INT_MIN), "COM-2147483648");
    EXPECT_EQ(TranslateMsgWithInt("COM%i", INT_MAX), "COM2147483647");
}

}  // namespace
}  // namespace korvale
