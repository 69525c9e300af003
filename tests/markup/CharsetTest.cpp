#include "markup/Charset.h"

#include <gtest/gtest.h>

#include <iconv.h>

using namespace korvo;

TEST(Charset, Utf8Validity)
{
    EXPECT_TRUE(IsValidUtf8(""));
    EXPECT_TRUE(IsValidUtf8("plain ASCII\r\n\t"));
    EXPECT_TRUE(IsValidUtf8(std::string_view("\0", 1)));
    EXPECT_TRUE(IsValidUtf8("Zurück, Größe: 5 €, \xe3\x81\x82, \xf0\x9f\x98\x80, \xf4\x8f\xbf\xbf"));
    const char* const broken[] = {
        "\xe4rger", // windows-1250 "ä"
        "\x80", // continuation byte alone
        "\xc3", // cut short at the end
        "\xe2\x82", // cut short
        "\xe2\x82x", // cut short before ASCII
        "\xc0\xaf", // overlong "/"
        "\xe0\x80\xaf", // overlong
        "\xf0\x80\x80\xaf", // overlong
        "\xed\xa0\x80", // surrogate
        "\xf4\x90\x80\x80", // above U+10FFFF
        "\xf5\x80\x80\x80",
        "\xff",
        "\xfe",
    };
    for (const char* text : broken)
        EXPECT_FALSE(IsValidUtf8(text)) << text;
}

TEST(Charset, Windows1250BytesBecomeUtf8)
{
    EXPECT_EQ(Windows1250ToUtf8("Zur\xfc"
                                "ck \xe4\xf6\xfc\xdf \xc4\xd6\xdc \x80 \x85 \x8a\x9e"),
        "Zurück äöüß ÄÖÜ € … Šž");
    EXPECT_EQ(Windows1250ToUtf8("plain"), "plain");
    EXPECT_EQ(Windows1250ToUtf8(std::string_view("a\0b", 3)), std::string_view("a\0b", 3));
    // Bytes the set leaves undefined keep their number as a control character.
    EXPECT_EQ(Windows1250ToUtf8("\x81\x98"), "\xc2\x81\xc2\x98");
    EXPECT_TRUE(IsValidUtf8(Windows1250ToUtf8("\x81\x83\x88\x90\x98\xff")));
}

TEST(Charset, Windows1250TableAgreesWithTheCLibrary)
{
    iconv_t handle = iconv_open("UTF-8", "WINDOWS-1250");
    ASSERT_NE(handle, reinterpret_cast<iconv_t>(-1));
    for (int byte = 0; byte < 256; ++byte) {
        char in = static_cast<char>(byte);
        char out[8];
        char* source = &in;
        char* target = out;
        std::size_t sourceLeft = 1;
        std::size_t targetLeft = sizeof out;
        if (::iconv(handle, &source, &sourceLeft, &target, &targetLeft) == static_cast<std::size_t>(-1))
            continue; // undefined in the C library's table
        EXPECT_EQ(Windows1250ToUtf8(std::string(1, in)), std::string(out, target)) << byte;
        // And the way back gives the byte again.
        EXPECT_EQ(Utf8ToWindows1250(std::string(out, target)), std::string(1, in)) << byte;
    }
    iconv_close(handle);
}

TEST(Charset, Utf8BecomesWindows1250WithReferencesForTheRest)
{
    EXPECT_EQ(Utf8ToWindows1250("Zurück äöüß ÄÖÜ"),
        "Zur\xfc"
        "ck \xe4\xf6\xfc\xdf \xc4\xd6\xdc");
    EXPECT_EQ(Utf8ToWindows1250("5 € … „ok“ Łódź"),
        "5 \x80 \x85 \x84ok\x93 \xa3\xf3"
        "d\x9f");
    EXPECT_EQ(Utf8ToWindows1250("plain &amp; simple"), "plain &amp; simple");
    EXPECT_EQ(Utf8ToWindows1250(""), "");
    // Characters windows-1250 lacks become decimal references, astral ones as one character.
    EXPECT_EQ(Utf8ToWindows1250("\xe3\x81\x82 ñ æ \xf0\x9f\x98\x80!"), "&#12354; &#241; &#230; &#128512;!");
    EXPECT_EQ(Utf8ToWindows1250("\xc2\x81"), "&#129;"); // a control character it does not have
    // Broken UTF-8: one replacement reference per longest broken piece, the rest goes on.
    EXPECT_EQ(Utf8ToWindows1250("a\xe4"
                                "b"),
        "a&#65533;b");
    EXPECT_EQ(Utf8ToWindows1250("\xe2\x82x\xe2\x82"), "&#65533;x&#65533;");
    EXPECT_EQ(Utf8ToWindows1250("\xc0\xaf\xed\xa0\x80\xff"), "&#65533;&#65533;&#65533;&#65533;&#65533;&#65533;");
    EXPECT_EQ(Utf8ToWindows1250("ü\x80ü"), "\xfc&#65533;\xfc");
    EXPECT_EQ(Utf8ToWindows1250(std::string_view("\0ä", 3)), std::string_view("\0\xe4", 2));
}

TEST(Charset, PagesAndTheLogReplaceBrokenUtf8Alike)
{
    // The log shows a broken file name with as many U+FFFD as the page has "&#65533;".
    for (const std::string_view broken : { "a\xe4"
                                           "b",
             "\xe2\x82x\xe2\x82", "\xc0\xaf\xed\xa0\x80\xff", "ü\x80\xf4\x90" }) {
        std::string fromPage = Utf8ToWindows1250(broken);
        std::string fromLog = Utf8ToWindows1250(ReplaceInvalidUtf8(broken));
        EXPECT_EQ(fromLog, fromPage) << fromPage;
    }
}
