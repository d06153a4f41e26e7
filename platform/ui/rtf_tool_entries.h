#pragma once
// The entries of the rich-text control's drop lists: the colours (with
// "Automatic"), the font sizes and the numbering styles, each with the value
// its list gives it.
#include <QColor>
#include <QIcon>
#include <optional>
#include <span>

#include "platform/ui/rich_text.h"

namespace rt {

struct ColourEntry {
  const char* name;
  int value;  // 0 is "Automatic"
  std::optional<Rgb> colour;
};

std::span<const ColourEntry> colourEntries();
const ColourEntry* colourEntryOfValue(int value);
const ColourEntry* colourEntryOfName(const QString& name);
QIcon colourIcon(std::optional<Rgb> colour);

std::span<const int> fontSizeEntries();

struct ListStyleEntry {
  const char* name;
  ListStyle style;  // its value in the list is the style's number, 1 to 6
};
std::span<const ListStyleEntry> listStyleEntries();

}  // namespace rt
