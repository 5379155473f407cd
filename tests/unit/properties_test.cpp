#include "Properties.h"

#include <gtest/gtest.h>

namespace {
struct Case {
    const char* what;
    std::string text;
    Properties expected;
};
} // namespace

TEST(Properties, ReadsTheKeyValueFormat) {
    const std::vector<Case> cases = {
        {"equals, colon, blank and tab separate",
         "a=1\nb:2\nc 3\nd\t4\n",
         {{"a", "1"}, {"b", "2"}, {"c", "3"}, {"d", "4"}}},
        {"blanks around the key and separator are skipped; trailing blanks stay",
         "  key  =  value  \n",
         {{"key", "value  "}}},
        {"blank then equals is one separator", "k = = v\n", {{"k", "= v"}}},
        {"comments and blank lines", "# c=1\n   ! d=2\n\n   \ne=3\n", {{"e", "3"}}},
        {"a later key wins", "COMPort=COM1\nCOMPort=/dev/ttyUSB0\n", {{"COMPort", "/dev/ttyUSB0"}}},
        {"keys are case-sensitive",
         "Verbose=YES\nverbose=NO\n",
         {{"Verbose", "YES"}, {"verbose", "NO"}}},
        {"continuation line, its leading blanks skipped",
         "note=Studio \\\n    A\n",
         {{"note", "Studio A"}}},
        {"an even number of backslashes does not continue",
         "p=a\\\\\nq=b\n",
         {{"p", "a\\"}, {"q", "b"}}},
        {"escapes", "e=\\t|\\n|\\r|\\\\|\\u0041\\u00e9|\\x\n", {{"e", "\t|\n|\r|\\|A\xC3\xA9|x"}}},
        {"an escaped separator belongs to the key", "a\\=b=c\n", {{"a=b", "c"}}},
        {"ISO 8859-1 bytes come back as UTF-8", "n=R\xE9gie\n", {{"n", "R\xC3\xA9gie"}}},
        {"CR and CR LF end lines", "a=1\rb=2\r\nc=3", {{"a", "1"}, {"b", "2"}, {"c", "3"}}},
        {"a key without a value", "alone\n", {{"alone", ""}}},
        {"a comment line does not continue", "# x\\\ny=1\n", {{"y", "1"}}},
    };
    for (const auto& c : cases) EXPECT_EQ(ParseProperties(c.text), c.expected) << c.what;
}

TEST(Properties, AMalformedUnicodeEscapeIsAnError) {
    EXPECT_THROW(ParseProperties("a=\\u12G4\n"), PropertiesError);
    EXPECT_THROW(ParseProperties("a=\\u12"), PropertiesError);
}

TEST(Properties, Utf8PrefixCountsCharactersNotBytes) {
    EXPECT_EQ(Utf8Prefix("Control Room 4", 10), "Control Ro");
    EXPECT_EQ(Utf8Prefix("short", 10), "short");
    EXPECT_EQ(Utf8Prefix("R\xC3\xA9gie Studio", 3), "R\xC3\xA9g");
}
