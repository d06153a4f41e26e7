#pragma once
// The rich-text model to and from QTextDocument, and the markup through it.
// Lengths in a document are layout units: an editor lays text out at 96 units per
// inch, a printed page at 1000 (thousandths of an inch).
#include <QTextBlock>
#include <QTextCharFormat>
#include <QTextDocument>
#include <QTextListFormat>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ui/rich_text.h"

namespace rt {

inline constexpr double kScreenUnitsPerTwip = 96.0 / 1440.0;
inline constexpr double kThousandthsPerTwip = 1000.0 / 1440.0;

// A list paragraph keeps its first-line indent (twips) in this block property:
// the marker hangs in the left indent, so the layout's text indent stays 0.
inline constexpr int kHangingIndentProperty = QTextFormat::UserProperty + 1;

void fillDocument(QTextDocument& document, const RichText& text,
                  double unitsPerTwip = kScreenUnitsPerTwip);
RichText richTextOf(const QTextDocument& document, double unitsPerTwip = kScreenUnitsPerTwip);

void setDocumentRtf(QTextDocument& document, std::string_view markup,
                    double unitsPerTwip = kScreenUnitsPerTwip);
std::string documentRtf(const QTextDocument& document, double unitsPerTwip = kScreenUnitsPerTwip);

QTextCharFormat charFormatOf(const CharStyle& style);
QTextBlockFormat blockFormatOf(const ParagraphStyle& style, double unitsPerTwip);
ParagraphStyle paragraphStyleOf(const QTextBlock& block, double unitsPerTwip);
Qt::Alignment qtAlignment(Alignment alignment);
Alignment alignmentOf(Qt::Alignment alignment);
QTextOption::TabType qtTabType(TabKind kind);
TabKind tabKindOf(QTextOption::TabType type);
QList<QTextOption::Tab> qtTabs(const std::vector<TabStop>& tabs);
std::vector<TabStop> tabStopsOf(const QTextBlockFormat& format);
CharStyle charStyleOf(const QTextCharFormat& format, const QFont& defaultFont);
QTextListFormat::Style listFormatStyle(ListStyle style);
ListStyle listStyleOf(const QTextListFormat& format);

}  // namespace rt
