// name_escaping_test.cpp - names escaped for a person's eyes: which bytes, how they look, and that
// the text reads back to the same bytes.
#include "processing/name_escaping.h"

#include <gtest/gtest.h>

#include <string>

#include "processing/display_result_format.h"
#include "settings/crc_settings.h"

namespace quillmark::testing {
namespace {

TEST(DisplayEscape, EveryByteATerminalCouldObeyOrGarbleIsHexAndReadsBack) {
    const std::pair<std::string, std::string> rows[] = {
        {"plain/name.txt", "plain/name.txt"},
        {"back\\slash", "back\\slash"},  // nothing else to escape: kept as written
        {"caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x98\x80", "caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x98\x80"},
        {"esc\x1b[2K\\x", "esc\\x1b[2K\\\\x"},
        {"line\nbreak\r\t\x7f", "line\\x0abreak\\x0d\\x09\\x7f"},
        {"latin1-\xe9.txt", "latin1-\\xe9.txt"},
        {"c1-\xc2\x9b"
         "31m",
         "c1-\\xc2\\x9b"
         "31m"},  // U+009B, a CSI to some terminals
        {"overlong-\xc0\xaf", "overlong-\\xc0\\xaf"},
        {"surrogate-\xed\xa0\x80", "surrogate-\\xed\\xa0\\x80"},
        {"past-max-\xf4\x90\x80\x80", "past-max-\\xf4\\x90\\x80\\x80"},
        {"cut-\xe2\x82", "cut-\\xe2\\x82"},
        {std::string("nul-\0-byte", 10), "nul-\\x00-byte"},
    };
    for (const auto& [name, shown] : rows) {
        SCOPED_TRACE(shown);
        EXPECT_EQ(NeedsDisplayEscape(name), shown != name);
        EXPECT_EQ(EscapeNameForDisplay(name), shown);
        if (!NeedsDisplayEscape(name)) continue;
        std::string back;
        ASSERT_TRUE(UnescapeListingPath(shown, back));
        EXPECT_EQ(back, name);
    }
}

TEST(DisplayEscape, RunResultLinesForAPersonStartWithABackslash) {
    CCRCSettings settings;
    settings.ResetDefaults();
    const DisplayResultFormat display(settings);
    std::string text;
    display.Append(text, "dir/ok.txt", 3, 0x12345678, true);
    display.Append(text, "dir/x\x1b[1A\xff", 3, 0x12345678, true);
    display.Append(text, "dir/y\r", 0, 0, false);
    EXPECT_EQ(text,
              "Filename: dir/ok.txt\nFile size: 3\nCRC 32: 12345678\n\n"
              "\\Filename: dir/x\\x1b[1A\\xff\nFile size: 3\nCRC 32: 12345678\n\n"
              "\\Error encountered reading the file dir/y\\x0d\n");
    EXPECT_EQ(display.Header(), "");
}

}  // namespace
}  // namespace quillmark::testing
