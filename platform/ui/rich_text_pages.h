#pragma once
// A rich text laid out for print, in thousandths of an inch, and drawn page by
// page: each slice ends on a line boundary and the next continues where the
// last one ended. The report engine measures a slice for its band, then draws it.
#include <QImage>
#include <QPainter>
#include <QTextDocument>
#include <string_view>
#include <vector>

#include "platform/ui/rich_text.h"

namespace rt {

class RichTextPages {
 public:
  // `width` is the width of the text column, in thousandths of an inch;
  // `defaultFont` gives its family to text that names no font.
  RichTextPages(std::string_view markup, int width, const QFont& defaultFont = QFont());
  RichTextPages(const RichText& text, int width, const QFont& defaultFont = QFont());
  RichTextPages(const RichTextPages&) = delete;
  RichTextPages& operator=(const RichTextPages&) = delete;

  // Height of the next slice that fits in `available` without cutting a line;
  // a line taller than `available` is cut there, so the text always moves on.
  // 0 once the text has all been drawn.
  int nextSliceHeight(int available) const;
  // Draws that slice with its top-left corner at `at` (the painter's units are
  // thousandths of an inch) and moves past it; returns the height drawn.
  int drawNext(QPainter& painter, QPointF at, int available);

  bool atEnd() const;
  int totalHeight() const;
  int width() const { return width_; }

 private:
  void layOut(const RichText& text, const QFont& defaultFont);
  double sliceBottom(int available) const;

  QImage metrics_;  // a 1000 dpi device: one layout unit is a thousandth of an inch
  QTextDocument document_;
  int width_;
  std::vector<double> lineBottoms_;  // ascending
  double top_ = 0;
};

}  // namespace rt
