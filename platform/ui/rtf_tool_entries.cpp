#include "platform/ui/rtf_tool_entries.h"

#include <QPainter>
#include <QPixmap>

namespace rt {
namespace {

constexpr ColourEntry kColours[] = {
    {"Black", 1, 0x000000},  {"Maroon", 2, 0x800000},       {"Green", 3, 0x008000},
    {"Olive", 4, 0x808000},  {"Navy", 5, 0x000080},         {"Purple", 6, 0x800080},
    {"Teal", 7, 0x008080},   {"Gray", 8, 0x808080},         {"Silver", 9, 0xC0C0C0},
    {"Red", 10, 0xFF0000},   {"Lime", 11, 0x00FF00},        {"Yellow", 12, 0xFFFF00},
    {"Blue", 13, 0x0000FF},  {"Fuchia", 14, 0xFF00FF},      {"Aqua", 15, 0x00FFFF},
    {"White", 16, 0xFFFFFF}, {"Automatic", 0, std::nullopt}};

constexpr int kSizes[] = {8, 9, 10, 11, 12, 14, 16, 18, 20, 22, 24, 26, 28, 36, 48, 72};

constexpr ListStyleEntry kListStyles[] = {{"Bullets", ListStyle::Bullet},
                                          {"Arabic numbers", ListStyle::Decimal},
                                          {"Lower letters", ListStyle::LowerLetter},
                                          {"Upper letters", ListStyle::UpperLetter},
                                          {"Lower Roman numbers", ListStyle::LowerRoman},
                                          {"Upper Roman numbers", ListStyle::UpperRoman}};

}  // namespace

std::span<const ColourEntry> colourEntries() { return kColours; }

const ColourEntry* colourEntryOfValue(int value) {
  for (const ColourEntry& entry : kColours) {
    if (entry.value == value) return &entry;
  }
  return nullptr;
}

const ColourEntry* colourEntryOfName(const QString& name) {
  for (const ColourEntry& entry : kColours) {
    if (name.compare(QLatin1String(entry.name), Qt::CaseInsensitive) == 0) return &entry;
  }
  return nullptr;
}

// A swatch; "Automatic" is drawn as an outlined square with no fill.
QIcon colourIcon(std::optional<Rgb> colour) {
  QPixmap swatch(16, 16);
  swatch.fill(Qt::transparent);
  QPainter painter(&swatch);
  painter.setPen(Qt::darkGray);
  painter.setBrush(colour ? QBrush(QColor(QRgb(*colour))) : QBrush(Qt::NoBrush));
  painter.drawRect(1, 1, 13, 13);
  painter.end();
  return QIcon(swatch);
}

std::span<const int> fontSizeEntries() { return kSizes; }

std::span<const ListStyleEntry> listStyleEntries() { return kListStyles; }

}  // namespace rt
