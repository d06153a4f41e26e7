#pragma once
// PictureSpec: a display picture ("@" + kind letter + options, such as @N10.2,
// @D6-, @T4, @S20 or @P###-####P) taken apart into named fields, built back
// from the fields, and described in English words. The value formatter and
// parser take a fresh object per call and read its fields.
//
// Text fields hold what the parse read, cut to their width (a space separator
// is kept as " "); builds append them without trailing blanks. A field is
// "set" when it holds a non-blank character. A new object has every text
// field blank and BASE 0. Fields a kind does not use keep what they held.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace textlib {

class PictureSpec {
 public:
  // ---- Fields, in declaration order (width in characters) -----------------
  std::string PICTYPE;         // 1: kind letter in upper case (N E D T H S P K U X)
  std::string PIC;             // up to 251: the picture last parsed or built
  std::string CURRENCYBEFORE;  // 10
  std::string SIGNBEFORE;      // 1: "-" or "("
  std::string FILL;            // 1: "0", "_" or "*"
  std::string SIZE;            // 6: width digits
  std::string GROUPING;        // 1
  std::string SEPARATOR;       // 1
  std::string PLACES;          // 6
  std::string SIGNAFTER;       // 1: "-" or ")"
  std::string CURRENCYAFTER;   // 10
  std::string B;               // 1: "B" (or "b") when zero shows blank
  std::string N;               // 6: layout number, places, Unix style, bytes per line
  std::string S;               // 2: the separator token as written
  std::string DIRECTION;       // 1: ">" or "<"
  std::string RANGE;           // 2
  std::string U;               // 1
  std::string MILLI;           // 1
  std::string LOCAL;           // 1
  std::string UTC;             // 1
  std::string Z;               // 1
  std::string NUMBERPART;      // up to 251: time: the number picture of the hours
  std::string LENGTH;          // 4: string length, "-1" for no limit
  std::string PATTERN;         // 255
  std::string UPPER;           // 1: the kind letter exactly as written
  std::string DATEPART;        // up to 251
  std::string TIMEPART;        // up to 251
  std::string SERIALDATE;      // 1: "d"
  std::string SERIALTIME;      // 1: "t"
  std::int32_t BASE = 0;

  virtual ~PictureSpec() = default;

  // True when the field holds a non-blank character.
  static bool isSet(std::string_view field);

  // ---- Building (each stores its result in PIC) ----------------------------
  // Builds a picture of the given kind from the fields (own PICTYPE when
  // useOwn is set or the letter is empty); an unknown kind gives PIC.
  virtual std::string BuildPicture(std::string_view kind, bool useOwn, int mode);
  virtual std::string BuildDatePicture(int mode);
  virtual std::string BuildTimePicture(int mode);
  virtual std::string BuildHoursPicture();
  virtual std::string BuildStringPicture(int mode);
  virtual std::string BuildScientificPicture();
  virtual std::string BuildNumberPicture();
  virtual std::string BuildPatternPicture();
  virtual std::string BuildKeyInPicture();
  virtual std::string BuildUnixPicture();
  virtual std::string BuildHexPicture();

  // ---- Taking apart: 0 when taken apart, 1 otherwise -----------------------
  // useOwn set, or an empty picture, means PIC is used.
  virtual int ParsePicture(std::string_view picture, bool useOwn = false);
  virtual int ParseDatePicture(std::string_view picture, bool useOwn = false);
  virtual int ParseTimePicture(std::string_view picture, bool useOwn = false);
  virtual int ParseHoursPicture(std::string_view picture, bool useOwn = false);
  virtual int ParseStringPicture(std::string_view picture, bool useOwn = false);
  virtual int ParseScientificPicture(std::string_view picture, bool useOwn = false);
  virtual int ParseNumberPicture(std::string_view picture, bool useOwn = false);
  virtual int ParsePatternPicture(std::string_view picture, bool useOwn = false);
  virtual int ParseKeyInPicture(std::string_view picture, bool useOwn = false);
  virtual int ParseUnixPicture(std::string_view picture, bool useOwn = false);
  virtual int ParseHexPicture(std::string_view picture, bool useOwn = false);

  // ---- Describing ------------------------------------------------------------
  virtual std::string Describe(std::string_view picture, bool useOwn = false);
  virtual std::string DescribeDate();
  virtual std::string DescribeTime();
  virtual std::string DescribeHours();
  virtual std::string DescribeString();
  virtual std::string DescribeScientific();
  virtual std::string DescribeNumber();
  virtual std::string DescribePattern();
  virtual std::string DescribeKeyIn();
  virtual std::string DescribeUnix();
  virtual std::string DescribeBase();

  // "[tb] " + text without trailing spaces, to the debug output.
  virtual void Trace(std::string_view text);

  // ---- Token readers (positions 1-based, in/out) -----------------------------
  // The run of characters of `charClass` at the position, at most maxCount
  // (0: no limit; negative: nothing).
  virtual std::string TakeChars_(const char* buffer, int bufferSize, int& position, int maxCount,
                                 std::string_view charClass);
  virtual std::string TakeCharsFrom_(std::string_view text, int& position, int maxCount,
                                     std::string_view charClass);
  // The text between the delimiter at the position and the next one.
  virtual std::string TakeDelimited_(const char* buffer, int bufferSize, int& position,
                                     char delimiter);
  virtual std::string TakeDelimitedFrom_(std::string_view text, int& position, char delimiter);

 private:
  // The working picture when it is of the kind (PIC and PICTYPE then set).
  std::optional<std::string> beginKind(std::string_view picture, bool useOwn, char letter);
  // Pattern and key-in pictures: "@", the letter, the pattern, the letter.
  int parseLaidPattern(std::string_view picture, bool useOwn, char kind);
  std::string buildLaidPattern(char kind);
  // Stores a built picture in PIC and returns it.
  std::string storePicture(std::string picture);
};

}  // namespace textlib
