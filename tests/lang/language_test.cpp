#include <gtest/gtest.h>
#include <sys/stat.h>

#include <climits>
#include <cstring>

#include "lang/language_file.h"
#include "lang/ui_texts.h"
#include "store/temp_directory.h"

namespace korvale {
namespace {

TEST(LanguageFileTest, GermanFileWithEscapesRepeatsSeveralSectionsAndLongLinesTranslates) {
    const std::string l998(998, 'L'), m999(999, 'M'), x91(91, 'x'), y91(91, 'y');
    // 319 lines of 100 with their NUL leave room in 31999 for one of 97, not 98.
    std::string lines;
    for (int i = 100; i < 419; ++i) {  // piece by piece: g++ 12 -O2 warns falsely on "\"" + ...
        lines.append("\"").append(std::to_string(i)).append("\"=\"" + x91 + "\"\r\n");
    }
    // A line under its section's header (sections repeat); what the key
    // translates to in a buffer of 1,000 characters offered as 999.
    const struct {
        const char* fault;
        std::string section, line, key, text;
    } cases[] = {
        {"escapes", "Strings", R"("Init\r"="Start\r")", "Init\r", "Start\r"},
        {"loading adds to the table", "Strings", R"("OK"="Okay")", "OK", "Gut"},
        {"\\\\ last", "Strings", R"("C:\\new"="\\\\x \x\ \\"q")", "C:\\\new", "\\\\x \\x\\ \"q"},
        {"8-bit text", "Strings", "\"\xDC\"=\"\xF6\xE4\xFC\xDF\"", "\xDC", "\xF6\xE4\xFC\xDF"},
        {"998 characters", "Strings", "\"L\"=\"" + l998 + "\"", "L", l998},
        {"999 characters", "Strings", "\"M\"=\"" + m999 + "\"", "M", "M"},
        {"section in another case", "strings", R"("Ja"="Yes")", "Ja", "Ja"},
        {"another section's key", "Systray menu", R"("Exit"="Ende")", "&View", "&View"},
        {"first separator", "Main dialog", R"("a"="b"="c")", "a", R"(b"="c)"},
        {"any character for the quotes", "Main dialog", R"(xKey"="Texty)", "Key", "Text"},
        {"blanks outside quotes", "Main dialog", " \t \"Exit\"=\"Beenden\"  \t", "Exit", "Beenden"},
        {"empty text", "Main dialog", R"("Tray"="")", "Tray", "Tray"},
        {"empty key is not looked up", "Main dialog", R"(""="leer")", "", ""},
        {"blanks around =", "Main dialog", R"("Quit" = "Ende")", "Quit\" ", "Quit\" "},
        {"31999th character", "Fits", lines + "\"k\"=\"" + y91 + "\"", "k", y91},
        {"32000th character", "Over", lines + "\"k\"=\"" + y91 + "y\"", "k", "k"},
        {"lines before the limit", "Over", "", "418", x91}};
    std::string file = "; Deutsche Texte\r\n";
    for (const auto& c : cases) {
        file += "[" + c.section + "]\r\n" + c.line + "\r\n";
    }
    testing::TempDirectory dir;
    testing::WriteFileBytes(dir.file("Test.lng"), file);
    LanguageTable table;
    table.addEntry("Strings", "OK", "Gut");
    LoadLanguageFile(table, dir.file("Test.lng"), "/nowhere/");  // a path is used as it stands
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fault);
        std::string buffer = c.key;
        buffer.resize(kTranslationBufferLength);
        table.TranslateBuffer(c.section, buffer, kTranslationBufferSize);
        EXPECT_EQ(buffer.c_str(), c.text);
        EXPECT_EQ(table.translate(c.section, c.key), c.text);
    }
    for (const std::size_t length : {2u, 3u, 4u}) {  // buffers shorter than the size offered
        std::vector<char> buffer(length, '\0');
        std::memcpy(buffer.data(), "OK", 2);
        table.TranslateBuffer("Strings", buffer, kTranslationBufferSize);
        EXPECT_EQ(std::string(buffer.data(), ::strnlen(buffer.data(), length)),
                  length == 4 ? "Gut" : "OK");
    }
}

TEST(LanguageFileTest, ByteOrderMarkMeansUtf8AndFilesThatCannotBeUsedAddNothing) {
    const std::string entry =
        "[S]\n\"Gr\xC3\xBC\xC3\x9F\"=\"\xE2\x80\x9Cx\xE2\x80\x9D \xC3\xA4\"\n";
    testing::TempDirectory dir, elsewhere;
    testing::WriteFileBytes(dir.file("Bom.lng"), "\xEF\xBB\xBF" + entry);
    testing::WriteFileBytes(dir.file("NoBom.lng"), entry);
    ASSERT_EQ(::mkfifo(dir.file("Pipe.lng").c_str(), 0600), 0);
    ASSERT_EQ(::mkdir(dir.file("Dir.lng").c_str(), 0700), 0);
    testing::WriteFileBytes(elsewhere.file("Here.lng"), "[S]\n\"a\"=\"b\"\n");
    const std::string saved = std::filesystem::current_path();
    ASSERT_EQ(::chdir(elsewhere.path().c_str()), 0);  // a bare name is not looked for here
    LanguageTable table, bom, noBom;
    for (const char* name : {"Nowhere.lng", "Pipe.lng", "Dir.lng", "Here.lng"}) {
        LoadLanguageFile(table, name, dir.directory());
    }
    LoadLanguageFile(bom, "Bom.lng", dir.directory());
    LoadLanguageFile(noBom, "NoBom.lng", dir.directory());
    EXPECT_TRUE(::chdir(saved.c_str()) == 0 && table.empty());
    EXPECT_EQ(bom.translate("S", "Gr\xFC\xDF"), "\x93x\x94 \xE4");
    EXPECT_EQ(noBom.translate("S", "Gr\xC3\xBC\xC3\x9F"), "\xE2\x80\x9Cx\xE2\x80\x9D \xC3\xA4");
}

TEST(ShippedGermanFileTest, TranslatesEveryUiTextUsablyInWindows1252) {
    const std::string path = std::string(KORVALE_SOURCE_DIR) + "/lang/Deutsch.lng";
    LanguageTable table;
    LoadLanguageFile(table, path, "");
    for (const UiText& text : kUiTexts) {
        if (text.english == kProgramVersion) {  // shown as it is, so not in the file
            continue;
        }
        SCOPED_TRACE(std::string(text.section) + ": " + std::string(text.english));
        const std::string translation = table.LookupText(text.section, text.english);
        EXPECT_TRUE(!translation.empty() && translation.size() < kTranslationBufferSize);
        EXPECT_EQ(translation.ends_with('\r'), text.english.ends_with('\r'));
        EXPECT_EQ(translation.ends_with("\n\n"), text.english.ends_with("\n\n"));
    }
    EXPECT_TRUE(HasSingleIntConversion(table.LookupText(kSectionStrings, kMsgCannotOpenPort)));
    EXPECT_LE(table.LookupText(kSectionStrings, kMsgTrayTip).size(), 63u);
    const std::string bytes = testing::ReadFileBytes(path);
    EXPECT_TRUE(bytes.find('\xFC') != bytes.npos && bytes.find('\xC3') == bytes.npos)
        << "not Windows-1252";
}

TEST(TranslateMsgTest, TranslationWithOtherConversionsGivesWayToEnglish) {
    const std::string port = "Error: Cannot open COM-2147483648! Port is disabled.\r";
    const std::string link =
        "The link to the TNC at [::1]:8001 is back; frames dropped while it was down: -1.\r";
    const struct {
        const char *fault, *section, *translation;
        std::string expected;
    } cases[] = {
        {"translated", "Strings", "Fehler: COM%i kaputt\r", "Fehler: COM-2147483648 kaputt\r"},
        // clang-format off
        {"only Strings", "Main dialog", "COM%i", port}, {"empty", "Strings", "", port},
        {"%s", "Strings", "%s COM%i\r", port}, {"no conversion", "Strings", "Port kaputt\r", port},
        {"two %i", "Strings", "COM%i / COM%i\r", port}, {"lone %", "Strings", "COM%i 50%", port},
        // clang-format on
        {"link: %d before %s", "Strings", "%d verworfen, %s zur\374ck, 100%%\r",
         "-1 verworfen, [::1]:8001 zur\374ck, 100%\r"},
        {"link: no %i", "Strings", "%s zur\374ck\r", link},
        {"link: two %s", "Strings", "%s und %s: %i\r", link}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fault);
        const bool isLink = std::string_view(c.fault).starts_with("link");
        TheLanguageTable().clear();
        TheLanguageTable().addEntry(
            c.section, std::string(isLink ? kMsgTncLinkBack : kMsgCannotOpenPort), c.translation);
        EXPECT_EQ(isLink ? TranslateMsgWithText(kMsgTncLinkBack, "[::1]:8001", -1)
                         : TranslateMsgWithInt(kMsgCannotOpenPort, INT_MIN),
                  c.expected);
    }
    TheLanguageTable().clear();
    EXPECT_EQ(TranslateMsgWithText(kMsgBadTncAddress, "a%ib"),
              "Error: The TNC address a%ib is not host:port! Not connecting.\r")
        << "conversions in the inserted text are kept as they are";
}

}  // namespace
}  // namespace korvale
