#include "platform/base/text_order.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "platform/base/cp1252.h"

namespace {

std::string w(const char* utf8) { return rt::utf8ToCp1252(utf8); }

TEST(TextOrder, UpperAndLowerPairTheAccentedSpanishLetters) {
  EXPECT_EQ(rt::upper(w("ñandú álvarez çé íó ü")), w("ÑANDÚ ÁLVAREZ ÇÉ ÍÓ Ü"));
  EXPECT_EQ(rt::lower(w("ÑANDÚ ÁLVAREZ ÇÉ ÍÓ Ü")), w("ñandú álvarez çé íó ü"));
  // Æ has no partner, and letters outside the case lists keep their case.
  EXPECT_EQ(rt::lower(w("Æ")), w("Æ"));
  EXPECT_EQ(rt::upper(w("æàèò")), w("æàèò"));
  EXPECT_EQ(rt::upper(w("ü")).size(), 1u);
}

TEST(TextOrder, SortsSpanishNamesInTheLocaleSequence) {
  const std::vector<std::string> expected = {
      w("Alvarez"), w("Álvarez"), w("alvarez"), w("Gomez"), w("Gómez"),  w("Nunez"),  w("Nuñez"),
      w("Nuñoz"),   w("Ñandú"),   w("ñandu"),   w("Oliva"), w("Zapata"), w("zapata"), w("{x}")};
  std::vector<std::string> names = expected;
  std::reverse(names.begin(), names.end());
  std::stable_sort(names.begin(), names.end(),
                   [](const auto& a, const auto& b) { return rt::compareText(a, b) < 0; });
  EXPECT_EQ(names, expected);
}

TEST(TextOrder, ComparisonRules) {
  struct Case {
    const char* a;
    const char* b;
    rt::CaseMode mode;
    int sign;
  };
  const Case cases[] = {
      {"abc", "abc   ", rt::CaseMode::Sensitive, 0},  // trailing spaces never count
      {"ab", "abc", rt::CaseMode::Sensitive, -1},     // prefix first
      {"1", "A", rt::CaseMode::Sensitive, -1},        // below 'A' comes first
      {" ", "0", rt::CaseMode::Sensitive, -1},        // and keeps code order
      {"z", "[", rt::CaseMode::Sensitive, -1},        // others follow the letters
      {"Z", "a", rt::CaseMode::Sensitive, 1},         // letters before case
      {"PEREZ", "perez", rt::CaseMode::Insensitive, 0},
      {"núñez", "NÚÑEZ", rt::CaseMode::Insensitive, 0},
      {"nunez", "NUÑEZ", rt::CaseMode::Insensitive, -1},
  };
  for (const Case& c : cases) {
    const int r = rt::compareText(w(c.a), w(c.b), c.mode);
    EXPECT_EQ((r > 0) - (r < 0), c.sign) << c.a << " vs " << c.b;
  }
}

TEST(TextOrder, LocaleSettingsSpellTheTables) {
  EXPECT_EQ(rt::cp1252ToUtf8(rt::collationSequence()),
            "AÄÅÆÁÀaàáâäåæBbCÇcçDdEÉeèéêëFfGgHhIÍiìíîïJjKkLlMmNnÑñOÖÓoòóôöPpQqRrSsTtUÜÚuùúûüVvWwXx"
            "YyZz");
  EXPECT_EQ(rt::cp1252ToUtf8(rt::caseMapping()), "ÆÁÇÉÍÑÓÜÚ,áçéíñóüú");
}

}  // namespace
