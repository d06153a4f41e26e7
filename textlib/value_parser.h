#pragma once
// ValueParser: the inverse of the value formatter. Reads text that a person
// typed or another system wrote back into a value by a display picture, and
// accepts loose input: dates with any separator, month names in several
// languages and relative words ("today", "next monday"), times with "am"/"pm"
// or a date before a "T", numbers with either "," or "." as decimal mark.
//
// Dates come back as day numbers, times as hundredths of a second plus one,
// Unix values in seconds or milliseconds (all as numbers); numbers, digits and
// bytes as text. Nothing here reports an error: unreadable text gives 0 (dates
// and times) or an empty text (numbers, digits, bytes).
#include <cstdint>
#include <string>
#include <string_view>

#include "textlib/value_converter.h"

namespace textlib {

class ValueParser : public ValueConverter {
 public:
  // Every English word of the date reader passes through here before it is
  // compared, so a derived class can answer with the word of another language.
  virtual std::string Translate(std::string_view word);
  // The day number of an ISO week ("W05"), year and weekday (1 = Monday).
  virtual std::int32_t DateOfWeek(std::string_view week, std::int32_t year, std::int32_t weekday);

  // Entry point: the value of the text under the picture, as text. With `raw`
  // set, or when the picture is not a picture, the text comes back unchanged.
  virtual std::string Deformat(std::string_view text, std::string_view picture, bool raw = false);
  // The platform picture engine's reading (scientific pictures).
  virtual std::string DeformatWithRuntime_(std::string_view text, std::string_view picture);
  // The text's digits, at most as many as the pattern has digit places.
  virtual std::string DeformatDigits(std::string_view text, std::string_view picture,
                                     bool raw = false);
  // Bytes written as groups of digits in the picture's radix.
  virtual std::string DeformatBase(std::string_view text, std::string_view picture);
  // A number with "," or "." as the decimal mark, as plain decimal text.
  virtual std::string DeformatNumber(std::string_view text, std::string_view picture);
  // Decimal hours to hundredths of a second (no plus-one offset).
  virtual double DeformatHours(std::string_view text, std::string_view picture);
  // A time of day; with `raw` the picture is not used.
  virtual double DeformatTime(std::string_view text, std::string_view picture, bool raw = false);
  // A date: day number, or a Unix timestamp when the picture asks for one.
  virtual double DeformatDate(std::string_view text, std::string_view picture);
  // The date that relative words name ("today"+"3", "next"+"monday"), 0 when
  // the words are not a relative date.
  virtual double DeformatRelativeDate(std::string_view word1, std::string_view word2,
                                      std::string_view word3, std::string_view separator,
                                      int partCount);
  // A Unix date-time: the date and time halves read by their own pictures.
  virtual double DeformatDateTime(std::string_view text, std::string_view picture);
};

}  // namespace textlib
