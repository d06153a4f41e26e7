// TextBuffer: colour texts (hexadecimal, red-green-blue lists, decimal and
// system colour numbers, CSS colour names) to colour numbers and back.
#include <algorithm>
#include <array>
#include <cstdint>
#include <iterator>
#include <string>
#include <string_view>

#include "platform/base/number_text.h"
#include "textlib/text_buffer.h"
#include "textlib/text_buffer_internal.h"

namespace textlib {

namespace {

struct NamedColour {
  const char* name;
  const char* hex;
};

// Looked up in this order, first match wins. Of the alternative grey
// spellings only those listed here are known.
constexpr NamedColour kColourNames[] = {
    {"aliceblue", "#f0f8ff"},
    {"antiquewhite", "#faebd7"},
    {"aqua", "#00ffff"},
    {"aquamarine", "#7fffd4"},
    {"azure", "#f0ffff"},
    {"beige", "#f5f5dc"},
    {"bisque", "#ffe4c4"},
    {"black", "#000000"},
    {"blanchedalmond", "#ffebcd"},
    {"blue", "#0000ff"},
    {"blueviolet", "#8a2be2"},
    {"brown", "#a52a2a"},
    {"burlywood", "#deb887"},
    {"cadetblue", "#5f9ea0"},
    {"chartreuse", "#7fff00"},
    {"chocolate", "#d2691e"},
    {"coral", "#ff7f50"},
    {"cornflowerblue", "#6495ed"},
    {"cornsilk", "#fff8dc"},
    {"crimson", "#dc143c"},
    {"cyan", "#00ffff"},
    {"darkblue", "#00008b"},
    {"darkcyan", "#008b8b"},
    {"darkgoldenrod", "#b8860b"},
    {"darkgray", "#a9a9a9"},
    {"darkgreen", "#006400"},
    {"darkkhaki", "#bdb76b"},
    {"darkmagenta", "#8b008b"},
    {"darkolivegreen", "#556b2f"},
    {"darkorange", "#ff8c00"},
    {"darkorchid", "#9932cc"},
    {"darkred", "#8b0000"},
    {"darksalmon", "#e9967a"},
    {"darkseagreen", "#8fbc8f"},
    {"darkslateblue", "#483d8b"},
    {"darkslategrey", "#2f4f4f"},
    {"darkturquoise", "#00ced1"},
    {"darkviolet", "#9400d3"},
    {"deeppink", "#ff1493"},
    {"deepskyblue", "#00bfff"},
    {"dimgrey", "#696969"},
    {"dodgerblue", "#1e90ff"},
    {"firebrick", "#b22222"},
    {"floralwhite", "#fffaf0"},
    {"forestgreen", "#228b22"},
    {"fuchsia", "#ff00ff"},
    {"gainsboro", "#dcdcdc"},
    {"ghostwhite", "#f8f8ff"},
    {"gold", "#ffd700"},
    {"goldenrod", "#daa520"},
    {"gray", "#808080"},
    {"grey", "#808080"},
    {"green", "#008000"},
    {"greenyellow", "#adff2f"},
    {"honeydew", "#f0fff0"},
    {"hotpink", "#ff69b4"},
    {"indianred", "#cd5c5c"},
    {"indigo", "#4b0082"},
    {"ivory", "#fffff0"},
    {"khaki", "#f0e68c"},
    {"lavender", "#e6e6fa"},
    {"lavenderblush", "#fff0f5"},
    {"lawngreen", "#7cfc00"},
    {"lemonchiffon", "#fffacd"},
    {"lightblue", "#add8e6"},
    {"lightcoral", "#f08080"},
    {"lightcyan", "#e0ffff"},
    {"lightgoldenrodyellow", "#fafad2"},
    {"lightgray", "#d3d3d3"},
    {"lightgreen", "#90ee90"},
    {"lightpink", "#ffb6c1"},
    {"lightsalmon", "#ffa07a"},
    {"lightseagreen", "#20b2aa"},
    {"lightskyblue", "#87cefa"},
    {"lightslategrey", "#778899"},
    {"lightsteelblue", "#b0c4de"},
    {"lightyellow", "#ffffe0"},
    {"lime", "#00ff00"},
    {"limegreen", "#32cd32"},
    {"linen", "#faf0e6"},
    {"magenta", "#ff00ff"},
    {"maroon", "#800000"},
    {"mediumaquamarine", "#66cdaa"},
    {"mediumblue", "#0000cd"},
    {"mediumorchid", "#ba55d3"},
    {"mediumpurple", "#9370db"},
    {"mediumseagreen", "#3cb371"},
    {"mediumslateblue", "#7b68ee"},
    {"mediumspringgreen", "#00fa9a"},
    {"mediumturquoise", "#48d1cc"},
    {"mediumvioletred", "#c71585"},
    {"midnightblue", "#191970"},
    {"mintcream", "#f5fffa"},
    {"mistyrose", "#ffe4e1"},
    {"moccasin", "#ffe4b5"},
    {"navajowhite", "#ffdead"},
    {"navy", "#000080"},
    {"oldlace", "#fdf5e6"},
    {"olive", "#808000"},
    {"olivedrab", "#6b8e23"},
    {"orange", "#ffa500"},
    {"orangered", "#ff4500"},
    {"orchid", "#da70d6"},
    {"palegoldenrod", "#eee8aa"},
    {"palegreen", "#98fb98"},
    {"paleturquoise", "#afeeee"},
    {"palevioletred", "#db7093"},
    {"papayawhip", "#ffefd5"},
    {"peachpuff", "#ffdab9"},
    {"peru", "#cd853f"},
    {"pink", "#ffc0cb"},
    {"plum", "#dda0dd"},
    {"powderblue", "#b0e0e6"},
    {"purple", "#800080"},
    {"rebeccapurple", "#663399"},
    {"red", "#ff0000"},
    {"rosybrown", "#bc8f8f"},
    {"royalblue", "#4169e1"},
    {"saddlebrown", "#8b4513"},
    {"salmon", "#fa8072"},
    {"sandybrown", "#f4a460"},
    {"seagreen", "#2e8b57"},
    {"seashell", "#fff5ee"},
    {"sienna", "#a0522d"},
    {"silver", "#c0c0c0"},
    {"skyblue", "#87ceeb"},
    {"slateblue", "#6a5acd"},
    {"slategray", "#708090"},
    {"snow", "#fffafa"},
    {"springgreen", "#00ff7f"},
    {"steelblue", "#4682b4"},
    {"tan", "#d2b48c"},
    {"teal", "#008080"},
    {"thistle", "#d8bfd8"},
    {"tomato", "#ff6347"},
    {"turquoise", "#40e0d0"},
    {"violet", "#ee82ee"},
    {"wheat", "#f5deb3"},
    {"white", "#ffffff"},
    {"whitesmoke", "#f5f5f5"},
    {"yellow", "#ffff00"},
    {"yellowgreen", "#9acd32"},
};
static_assert(std::size(kColourNames) == 142);

constexpr std::int32_t rgb(int red, int green, int blue) {
  return red + 256 * green + 65536 * blue;
}

// The system colours, by index, as a Windows desktop has them by default.
constexpr std::array<std::int32_t, 31> kSystemColours{{
    rgb(200, 200, 200),  // scroll bar
    rgb(0, 0, 0),        // desktop
    rgb(153, 180, 209),  // active caption
    rgb(191, 205, 219),  // inactive caption
    rgb(240, 240, 240),  // menu
    rgb(255, 255, 255),  // window
    rgb(100, 100, 100),  // window frame
    rgb(0, 0, 0),        // menu text
    rgb(0, 0, 0),        // window text
    rgb(0, 0, 0),        // caption text
    rgb(180, 180, 180),  // active border
    rgb(244, 247, 252),  // inactive border
    rgb(171, 171, 171),  // application workspace
    rgb(0, 120, 215),    // highlight
    rgb(255, 255, 255),  // highlight text
    rgb(240, 240, 240),  // button face
    rgb(160, 160, 160),  // button shadow
    rgb(109, 109, 109),  // grey text
    rgb(0, 0, 0),        // button text
    rgb(0, 0, 0),        // inactive caption text
    rgb(255, 255, 255),  // button highlight
    rgb(105, 105, 105),  // 3-D dark shadow
    rgb(227, 227, 227),  // 3-D light
    rgb(0, 0, 0),        // tooltip text
    rgb(255, 255, 225),  // tooltip background
    0,                   // (no colour of its own)
    rgb(0, 102, 204),    // hot-tracked item
    rgb(185, 209, 234),  // active caption gradient
    rgb(215, 228, 242),  // inactive caption gradient
    rgb(51, 153, 255),   // highlighted menu item
    rgb(240, 240, 240),  // menu bar
}};

// The colour a system colour number (its index with the top bit set, read as
// a signed number) stands for; 0 for an index the table does not know.
std::int32_t systemColour(long long number) {
  const long long index = number + 2147483648LL;
  if (index < 0 || index >= static_cast<long long>(kSystemColours.size())) return 0;
  return kSystemColours[static_cast<std::size_t>(index)];
}

bool onlyChars(std::string_view text, std::string_view alphabet) {
  return !text.empty() && text.find_first_not_of(alphabet) == std::string_view::npos;
}

// A decimal text as the runtime reads a number: its whole part, 0 when the
// text is not numeric.
long long decimalNumber(std::string_view text) { return rt::wholeNumber(rt::numericValue(text)); }

std::string colourHex(std::int32_t colour, bool withHash) {
  std::string out = withHash ? "#" : "";
  for (int shift = 0; shift <= 16; shift += 8) {
    out += TextBuffer::ByteToHex((colour >> shift) & 0xFF);
  }
  return out;
}

}  // namespace

std::int32_t TextBuffer::HexToColor(std::string_view text) {
  if (!text.empty() && text[0] == '#') text.remove_prefix(1);
  text = detail::clipView(text);
  std::string digits(text);
  if (digits.size() == 3) digits = {text[0], text[0], text[1], text[1], text[2], text[2]};
  if (digits.size() != 6) return -1;
  std::int32_t colour = 0;
  for (int i = 0; i < 3; ++i) {
    colour += HexToByte(std::string_view(digits).substr(2 * i, 2)) << (8 * i);
  }
  return colour;
}

void TextBuffer::ColorToHex(bool withHash) {
  long long c = decimalNumber(detail::clipView(view()));
  if (c == -1) {
    SetEmpty();
    return;
  }
  if (c < 0) c = systemColour(c);
  SetValue(colourHex(static_cast<std::int32_t>(c), withHash));
}

std::int32_t TextBuffer::ColorFromText(std::string_view text) {
  text = detail::clipView(text);
  if (text.empty()) return -1;
  if (text[0] == '#') return HexToColor(text);
  if (onlyChars(text, "01234567890-.")) {
    const long long n = decimalNumber(text);
    return n < 0 ? systemColour(n) : static_cast<std::int32_t>(n);
  }
  const std::size_t commas = static_cast<std::size_t>(std::count(text.begin(), text.end(), ','));
  if (commas >= 2 ||
      (text.find('(') != std::string_view::npos && text.find(')') != std::string_view::npos)) {
    return VersionToLong(text);
  }
  const std::string hex = ColorNameToHex(text, false);
  if ((hex.size() == 3 || hex.size() == 6) && onlyChars(hex, "0123456789abcdefABCDEF")) {
    return HexToColor("#" + hex);
  }
  return -1;
}

std::string TextBuffer::ColorNameToHex(std::string_view name, bool withHash) {
  std::string t(detail::clipView(name));
  if (t.empty()) return {};
  bool found = false;
  if (t[0] == '#') {
    if (t.size() == 4) t = {t[1], t[1], t[2], t[2], t[3], t[3]};
    found = true;
  }
  if (!found && (t.find(',') != std::string::npos ||
                 (t.find('(') != std::string::npos && t.find(')') != std::string::npos))) {
    t = std::to_string(VersionToLong(t));
  }
  if (!found && onlyChars(t, "0123456789")) {
    t = colourHex(static_cast<std::int32_t>(decimalNumber(t)), withHash);
    found = true;
  }
  if (!found) {
    std::erase(t, ' ');
    if (t.size() >= 3) {
      std::string lower = t;
      for (char& c : lower) c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
      for (const NamedColour& colour : kColourNames) {
        if (lower == colour.name) {
          t = colour.hex;
          found = true;
          break;
        }
      }
    }
  }
  if (!found && onlyChars(t, "1234567890abcdefhABCDEFH")) {
    std::erase(t, 'h');
    std::erase(t, 'H');
    if (t.size() == 3) t = {t[0], t[0], t[1], t[1], t[2], t[2]};
  }
  if (withHash) {
    if (t.empty() || t[0] != '#') t.insert(0, 1, '#');
    if (t.size() > 7) t.resize(7);
  } else {
    if (!t.empty() && t[0] == '#') t.erase(0, 1);
    if (t.size() > 6) t.resize(6);
  }
  return std::string(detail::clipView(t));
}

}  // namespace textlib
