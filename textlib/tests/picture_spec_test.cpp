#include "textlib/picture_spec.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/base/debug_sink.h"

namespace textlib {
namespace {

const std::string& field(const PictureSpec& spec, const std::string& name) {
  static const std::map<std::string, std::string PictureSpec::*> kFields = {
      {"PICTYPE", &PictureSpec::PICTYPE},
      {"PIC", &PictureSpec::PIC},
      {"CURRENCYBEFORE", &PictureSpec::CURRENCYBEFORE},
      {"SIGNBEFORE", &PictureSpec::SIGNBEFORE},
      {"FILL", &PictureSpec::FILL},
      {"SIZE", &PictureSpec::SIZE},
      {"GROUPING", &PictureSpec::GROUPING},
      {"SEPARATOR", &PictureSpec::SEPARATOR},
      {"PLACES", &PictureSpec::PLACES},
      {"SIGNAFTER", &PictureSpec::SIGNAFTER},
      {"CURRENCYAFTER", &PictureSpec::CURRENCYAFTER},
      {"B", &PictureSpec::B},
      {"N", &PictureSpec::N},
      {"S", &PictureSpec::S},
      {"DIRECTION", &PictureSpec::DIRECTION},
      {"RANGE", &PictureSpec::RANGE},
      {"U", &PictureSpec::U},
      {"MILLI", &PictureSpec::MILLI},
      {"LOCAL", &PictureSpec::LOCAL},
      {"UTC", &PictureSpec::UTC},
      {"Z", &PictureSpec::Z},
      {"NUMBERPART", &PictureSpec::NUMBERPART},
      {"LENGTH", &PictureSpec::LENGTH},
      {"PATTERN", &PictureSpec::PATTERN},
      {"UPPER", &PictureSpec::UPPER},
      {"DATEPART", &PictureSpec::DATEPART},
      {"TIMEPART", &PictureSpec::TIMEPART},
      {"SERIALDATE", &PictureSpec::SERIALDATE},
      {"SERIALTIME", &PictureSpec::SERIALTIME},
  };
  return spec.*kFields.at(name);
}

struct ParseCase {
  std::string picture;
  std::vector<std::pair<std::string, std::string>> fields;
};

TEST(PictureSpecParse, FieldsOfEachKind) {
  const ParseCase cases[] = {
      {"@n10.2",
       {{"PICTYPE", "N"},
        {"SIZE", "10"},
        {"SEPARATOR", "."},
        {"PLACES", "2"},
        {"GROUPING", ""},
        {"PIC", "@n10.2"}}},
      {"@N10_.2", {{"GROUPING", "_"}, {"SEPARATOR", "."}, {"PLACES", "2"}}},
      {"@N10..2", {{"GROUPING", "."}, {"SEPARATOR", "."}, {"PLACES", "2"}}},
      {"@N$10.2", {{"CURRENCYBEFORE", "$"}, {"SIZE", "10"}}},
      {"@N~EUR~10.2", {{"CURRENCYBEFORE", "EUR"}, {"SIZE", "10"}, {"PLACES", "2"}}},
      {"@N~~10", {{"CURRENCYBEFORE", ""}, {"SIZE", "10"}}},
      {"@N-_12`2)~ pts~b",
       {{"SIGNBEFORE", "-"},
        {"FILL", "_"},
        {"SIZE", "12"},
        {"GROUPING", ""},
        {"SEPARATOR", "`"},
        {"PLACES", "2"},
        {"SIGNAFTER", ")"},
        {"CURRENCYAFTER", " pts"},
        {"B", "b"}}},
      {"@N(*9v3-$B",
       {{"SIGNBEFORE", "("},
        {"FILL", "*"},
        {"SEPARATOR", "v"},
        {"SIGNAFTER", "-"},
        {"CURRENCYAFTER", "$"},
        {"B", "B"}}},
      {"@N~EUROS", {{"CURRENCYBEFORE", ""}, {"SIZE", ""}}},
      {"@H6.2", {{"PICTYPE", "H"}, {"SIZE", "6"}, {"PLACES", "2"}, {"PIC", "@H6.2"}}},
      {"@E12.3",
       {{"PICTYPE", "E"},
        {"SIZE", "12"},
        {"S", "."},
        {"N", "3"},
        {"SEPARATOR", "."},
        {"GROUPING", ","}}},
      {"@e9..2B", {{"SEPARATOR", "."}, {"GROUPING", "."}, {"B", "B"}}},
      {"@E9`2", {{"SEPARATOR", ","}, {"GROUPING", "."}, {"N", "2"}}},
      {"@E9_.2", {{"SEPARATOR", "."}, {"GROUPING", " "}}},
      {"@D6!", {{"PICTYPE", "D"}, {"N", "6"}, {"S", "!"}, {"SEPARATOR", ""}}},
      {"@D6", {{"SEPARATOR", "/"}}},
      {"@D6_", {{"SEPARATOR", " "}}},
      {"@d06`", {{"FILL", "0"}, {"N", "6"}, {"SEPARATOR", ","}}},
      {"@D6BUL", {{"B", "B"}, {"U", "U"}, {"LOCAL", "L"}, {"UTC", ""}, {"MILLI", ""}}},
      {"@D6LB", {{"LOCAL", "L"}, {"B", ""}}},
      {"@D6M", {{"MILLI", "M"}, {"U", "U"}}},
      {"@D10->205bt",
       {{"N", "10"}, {"S", "-"}, {"DIRECTION", ">"}, {"RANGE", "20"}, {"B", ""}, {"UTC", ""}}},
      {"@D10<7bt", {{"DIRECTION", "<"}, {"RANGE", "7"}, {"B", "b"}, {"UTC", "t"}}},
      {"@T4Z", {{"PICTYPE", "T"}, {"Z", "Z"}, {"SEPARATOR", ":"}, {"NUMBERPART", "@N10"}}},
      {"@T04", {{"FILL", "0"}, {"N", "4"}, {"NUMBERPART", "@N02"}}},
      {"@T1@N2@", {{"N", "1"}, {"NUMBERPART", "@N2"}}},
      {"@T1.@N$3", {{"SEPARATOR", "."}, {"NUMBERPART", "@N$3"}}},
      {"@T4MU", {{"MILLI", "M"}, {"U", "U"}}},
      {"@T4um", {{"MILLI", "m"}, {"U", "U"}}},
      {"@T3_tbl", {{"SEPARATOR", " "}, {"UTC", "t"}, {"B", "b"}, {"LOCAL", "l"}, {"Z", ""}}},
      {"@T4-     B", {{"SEPARATOR", "-"}, {"B", ""}}},
      {"@S", {{"PICTYPE", "S"}, {"LENGTH", "-1"}}},
      {"@S0", {{"LENGTH", "0"}}},
      {"@Sx", {{"LENGTH", ""}}},
      {"@s20", {{"LENGTH", "20"}}},
      {"@P###-####P", {{"PICTYPE", "P"}, {"PATTERN", "###-####"}, {"UPPER", "P"}, {"B", ""}}},
      {"@p(##)Pp", {{"PATTERN", "(##)P"}, {"UPPER", "p"}}},
      {"@k@@-##kB", {{"PICTYPE", "K"}, {"PATTERN", "@@-##"}, {"UPPER", "k"}, {"B", "B"}}},
      {"@P##", {{"PATTERN", ""}}},
      {"@U",
       {{"PICTYPE", "U"},
        {"N", "1"},
        {"S", ""},
        {"SEPARATOR", "T"},
        {"MILLI", ""},
        {"DATEPART", "@d010"},
        {"TIMEPART", "@t04"}}},
      {"@U@m@D6@T1",
       {{"MILLI", "m"}, {"S", "@"}, {"SEPARATOR", "@"}, {"DATEPART", "@D6"}, {"TIMEPART", "@T1"}}},
      {"@U2 dt",
       {{"N", "2"},
        {"S", " "},
        {"SEPARATOR", " "},
        {"SERIALDATE", "d"},
        {"SERIALTIME", "t"},
        {"DATEPART", "@d010"}}},
      {"@U2T@D10@T4", {{"N", "2"}, {"SEPARATOR", "T"}, {"DATEPART", "@D10"}, {"TIMEPART", "@T4"}}},
      {"@U0_M@d6.",
       {{"N", "1"},
        {"SEPARATOR", " "},
        {"MILLI", "m"},
        {"DATEPART", "@d6."},
        {"TIMEPART", "@t04"}}},
      {"@x", {{"PICTYPE", "X"}, {"UPPER", "x"}, {"N", ""}, {"SEPARATOR", ""}}},
      {"@X8_", {{"N", "8"}, {"S", "_"}, {"SEPARATOR", ""}}},
      {"@X16-B2", {{"N", "16"}, {"SEPARATOR", "-"}}},
  };
  for (const ParseCase& c : cases) {
    PictureSpec spec;
    ASSERT_EQ(spec.ParsePicture(c.picture), 0) << c.picture;
    for (const auto& [name, value] : c.fields) {
      EXPECT_EQ(field(spec, name), value) << c.picture << " " << name;
    }
  }
}

TEST(PictureSpecParse, RadixOfByteRepresentation) {
  const std::pair<std::string, int> cases[] = {
      {"@x", 16}, {"@X16-B2", 2}, {"@X4 b8", 8}, {"@X16B2", 16}, {"@X4-B", 16}};
  for (const auto& [picture, radix] : cases) {
    PictureSpec spec;
    ASSERT_EQ(spec.ParsePicture(picture), 0);
    EXPECT_EQ(spec.BASE, radix) << picture;
  }
}

TEST(PictureSpecParse, NotAPictureOfAKnownKind) {
  for (const char* picture : {"N10", "@Q", "@", "", "  @N5", "@L1"}) {
    PictureSpec spec;
    EXPECT_EQ(spec.ParsePicture(picture), 1) << picture;
    EXPECT_EQ(spec.PICTYPE, "") << picture;
  }
  // A kind operation given another kind leaves every field as it was.
  PictureSpec spec;
  ASSERT_EQ(spec.ParsePicture("@N$5.2"), 0);
  EXPECT_EQ(spec.ParseTimePicture("@D6"), 1);
  EXPECT_EQ(spec.PICTYPE, "N");
  EXPECT_EQ(spec.PIC, "@N$5.2");
  EXPECT_EQ(spec.CURRENCYBEFORE, "$");
}

TEST(PictureSpecParse, ReusedObjectKeepsNoFlagsOfTheLastPicture) {
  PictureSpec spec;
  ASSERT_EQ(spec.ParsePicture("@T4MBZLT@N3"), 0);
  ASSERT_EQ(spec.ParsePicture("@T4"), 0);
  for (const char* name : {"B", "U", "MILLI", "Z", "LOCAL", "UTC"}) {
    EXPECT_EQ(field(spec, name), "") << name;
  }
  EXPECT_EQ(spec.NUMBERPART, "@N10");
  ASSERT_EQ(spec.ParsePicture("@U@m"), 0);
  ASSERT_EQ(spec.ParsePicture("@U"), 0);
  EXPECT_EQ(spec.MILLI, "");
}

TEST(PictureSpecParse, OwnPictureAndTrailingSpaces) {
  PictureSpec spec;
  spec.PIC = "@D6-   ";
  ASSERT_EQ(spec.ParsePicture(""), 0);
  EXPECT_EQ(spec.PIC, "@D6-");
  EXPECT_EQ(spec.SEPARATOR, "-");
  ASSERT_EQ(spec.ParsePicture("@S12   ", false), 0);
  EXPECT_EQ(spec.PIC, "@S12");
  ASSERT_EQ(spec.ParsePicture("@N9", true), 0);  // own PIC, not the argument
  EXPECT_EQ(spec.PICTYPE, "S");
  // Time is read directly by the value parser.
  ASSERT_EQ(spec.ParseTimePicture("@t5"), 0);
  EXPECT_EQ(spec.N, "5");
  // A long picture is cut to PIC's width.
  ASSERT_EQ(spec.ParsePicture("@P" + std::string(300, '#') + "P"), 0);
  EXPECT_EQ(spec.PIC.size(), 251u);
  EXPECT_EQ(spec.PATTERN, "");
}

TEST(PictureSpecTokens, TakeChars) {
  struct Case {
    std::string text;
    int position, maxCount;
    std::string charClass, result;
    int positionAfter;
  };
  const Case cases[] = {
      {"@N12.5", 3, 0, "0123456789", "12", 5},
      {"@N12.5", 3, 1, "0123456789", "1", 4},
      {"@N12.5", 5, 0, ".", ".", 6},
      {"@N12.5", 0, 0, "@", "", 0},
      {"@N12.5", 7, 0, "5", "", 7},
      {"@N12.5", 3, -1, "1", "", 3},
      {"@N12.5", 1, 0, "N", "", 1},
      {"ab   ", 3, 0, " ", "", 3},
      {"aaaaa", 2, 3, "a", "aaa", 5},
      {"aaaaa", 4, 9, "a", "aa", 6},
  };
  PictureSpec spec;
  for (const Case& c : cases) {
    int position = c.position;
    EXPECT_EQ(spec.TakeCharsFrom_(c.text, position, c.maxCount, c.charClass), c.result)
        << c.text << " " << c.position;
    EXPECT_EQ(position, c.positionAfter) << c.text << " " << c.position;
  }
  // The buffer form stops at its size or at a zero byte.
  const char buffer[] =
      "12345\0"
      "678";
  int position = 1;
  EXPECT_EQ(spec.TakeChars_(buffer, 3, position, 0, "0123456789"), "123");
  position = 1;
  EXPECT_EQ(spec.TakeChars_(buffer, sizeof buffer, position, 0, "0123456789"), "12345");
  position = 1;
  EXPECT_EQ(spec.TakeChars_(nullptr, 5, position, 0, "1"), "");
}

TEST(PictureSpecTokens, TakeDelimited) {
  struct Case {
    std::string text;
    int position;
    std::string result;
    int positionAfter;
  };
  const Case cases[] = {
      {"@N~EUR~5", 3, "EUR", 8}, {"@N~~10", 3, "", 5},  {"@N~EUR5", 3, "", 8},
      {"@N~EUR~5", 4, "", 4},    {"@N~EUR~", 9, "", 9}, {"~a~b~", 3, "b", 6},
  };
  PictureSpec spec;
  for (const Case& c : cases) {
    int position = c.position;
    EXPECT_EQ(spec.TakeDelimitedFrom_(c.text, position, '~'), c.result) << c.text;
    EXPECT_EQ(position, c.positionAfter) << c.text;
  }
  int position = 1;
  EXPECT_EQ(spec.TakeDelimited_("|ab|cd|", 3, position, '|'), "");
  EXPECT_EQ(position, 4);
  position = 4;
  EXPECT_EQ(spec.TakeDelimited_("|ab|cd|", 7, position, '|'), "cd");
  EXPECT_EQ(position, 8);
}

TEST(PictureSpecBuild, FromParsedFields) {
  struct Case {
    std::string picture;
    int mode;
    std::string built;
  };
  const Case cases[] = {
      {"@n10.2", 0, "@N10.2"},
      {"@N$-_12_.2-~EUR~B", 0, "@N$-_12_.2-~EUR~B"},
      {"@N(*9v3)$b", 0, "@N(*9v3)$B"},
      {"@H6.2", 0, "@H6.2"},
      {"@E12`3B", 0, "@E12`3B"},
      {"@E9_.2", 0, "@E9_.2"},
      {"@E9..2", 0, "@E9..2"},
      {"@e9.2", 0, "@E9.2"},
      {"@D6!", 0, "@D6"},
      {"@D6!", 1, "@D6!"},
      {"@D06-BUL", 0, "@D06-BUL"},
      {"@D06-BUL", 1, "@D06-B"},
      {"@D6M", 0, "@D6U"},
      {"@D10>20t", 0, "@D10>20T"},
      {"@T4Z", 0, "@T4Z@N10"},
      {"@T4Z", 1, "@T4"},
      {"@T95", 1, "@T1"},
      {"@T04.LT", 0, "@T04.L@N02"},
      {"@T1@N2@", 0, "@T1@N2"},
      {"@S", 0, "@S"},
      {"@S", 1, "@S1"},
      {"@S1", 0, "@S"},
      {"@S300", 1, "@S255"},
      {"@S20", 0, "@S20"},
      {"@P###-####PB", 0, "@P###-####PB"},
      {"@p(P#)p", 0, "@p(P#)p"},
      {"@k@@kb", 0, "@K@@KB"},
      {"@U", 0, "@U1T@d010@t04"},
      {"@U@m@D6@T1", 0, "@U1@M@D6@T1"},
      {"@U2 dt", 0, "@U2 DT@d010@t04"},
      {"@x16-B2", 0, "@X16-"},
      {"@X8_", 0, "@X8_"},
  };
  for (const Case& c : cases) {
    PictureSpec spec;
    ASSERT_EQ(spec.ParsePicture(c.picture), 0) << c.picture;
    EXPECT_EQ(spec.BuildPicture("", true, c.mode), c.built) << c.picture << " " << c.mode;
    EXPECT_EQ(spec.PIC, c.built) << c.picture;
  }
}

TEST(PictureSpecBuild, KindChosenByTheCaller) {
  PictureSpec spec;
  ASSERT_EQ(spec.ParsePicture("@D6"), 0);
  spec.LENGTH = "30";
  EXPECT_EQ(spec.BuildPicture("s", false, 0), "@S30");
  EXPECT_EQ(spec.BuildPicture("S", true, 0), "@D6");  // own kind
  spec.PIC = "@Q7";
  EXPECT_EQ(spec.BuildPicture("q", false, 0), "@Q7");
  // A pattern holding the upper-case letter closes with the lower-case one.
  spec.PATTERN = "##K##";
  EXPECT_EQ(spec.BuildKeyInPicture(), "@k##K##k");
}

TEST(PictureSpecDescribe, WordsForEachKind) {
  const std::pair<std::string, std::string> cases[] = {
      {"@N10.2", "Number"},
      {"@E9.2", "Scientific Number"},
      {"@H6.2", "Decimal hours"},
      {"@S20", "String from 0 to 20 characters"},
      {"@S", "String from 0 to -1 characters"},
      {"@P###-####P", "@P###-####P"},
      {"@k@@k", "@k@@k"},
      {"@X16-B2", "Number representation of a string. Base 2, 16 chars per line, separated by -"},
      {"@U", "yyyy/mm/dd T hh:mm:ss"},
      {"@U2T@D6.@T1", "dd.mm.yyyyThh:mm"},
      {"@U3T@D6@T1", "dd/mm/yyyyhh:mm"},
      {"@D6!", "ddmmyyyy"},
      {"@D6", "dd/mm/yyyy"},
      {"@D6_", "dd mm yyyy"},
      {"@D3", "mmm dd,yyyy"},
      {"@D93-", "yyyy-Www-d"},
      {"@D17", "Date @D17"},
      {"@D", "Date @D"},
      {"@T7", "Time @T7"},
      {"@T94.", "hh.mm.ss.mmm am"},
      {"@T04", "hh:mm:ss"},
      {"@T2-", "hhmm"},
      {"N10", "N10"},
      {"@Q", "@Q"},
      {"hola   ", "hola"},
  };
  for (const auto& [picture, words] : cases) {
    PictureSpec spec;
    EXPECT_EQ(spec.Describe(picture), words) << picture;
  }
}

TEST(PictureSpecDescribe, KeepsTheObjectsOwnFields) {
  PictureSpec spec;
  EXPECT_EQ(spec.Describe("@N5"), "Number");
  // An unknown kind describes as itself, not as the kind parsed before.
  EXPECT_EQ(spec.Describe("@Q5"), "@Q5");
  EXPECT_EQ(spec.Describe("@U2T@D6@T1"), "dd/mm/yyyyThh:mm");
  EXPECT_EQ(spec.PICTYPE, "U");
  EXPECT_EQ(spec.DATEPART, "@D6");
  EXPECT_EQ(spec.PIC, "@U2T@D6@T1");
  spec.PIC = "@T4";
  EXPECT_EQ(spec.Describe("", true), "hh:mm:ss");
}

TEST(PictureSpecTrace, WritesTaggedLine) {
  rt::DebugCapture capture;
  PictureSpec spec;
  spec.Trace("ParsePicture @Q  ");
  ASSERT_EQ(capture.lines().size(), 1u);
  EXPECT_EQ(capture.lines()[0], "[tb] ParsePicture @Q");
}

}  // namespace
}  // namespace textlib
