#include "platform/ui/rich_text_pages.h"

#include <QAbstractTextDocumentLayout>
#include <QTextBlock>
#include <QTextLayout>
#include <algorithm>
#include <cmath>

#include "platform/ui/rich_text_document.h"
#include "platform/ui/rtf_reader.h"

namespace rt {
namespace {

constexpr int kDotsPerMeterAt1000Dpi = 39370;

}  // namespace

RichTextPages::RichTextPages(std::string_view markup, int width, const QFont& defaultFont)
    : RichTextPages(readRtf(markup), width, defaultFont) {}

RichTextPages::RichTextPages(const RichText& text, int width, const QFont& defaultFont)
    : metrics_(1, 1, QImage::Format_RGB32), width_(std::max(width, 1)) {
  metrics_.setDotsPerMeterX(kDotsPerMeterAt1000Dpi);
  metrics_.setDotsPerMeterY(kDotsPerMeterAt1000Dpi);
  layOut(text, defaultFont);
}

void RichTextPages::layOut(const RichText& text, const QFont& defaultFont) {
  document_.documentLayout()->setPaintDevice(&metrics_);
  document_.setDefaultFont(defaultFont);
  fillDocument(document_, text, kThousandthsPerTwip);
  document_.setDocumentMargin(0);
  document_.setTextWidth(width_);
  QAbstractTextDocumentLayout* layout = document_.documentLayout();
  for (QTextBlock block = document_.begin(); block.isValid(); block = block.next()) {
    const double blockTop = layout->blockBoundingRect(block).top();
    const QTextLayout* lines = block.layout();
    for (int i = 0; i < lines->lineCount(); ++i) {
      const QTextLine line = lines->lineAt(i);
      lineBottoms_.push_back(blockTop + line.y() + line.height());
    }
  }
  std::sort(lineBottoms_.begin(), lineBottoms_.end());
  const double total = document_.size().height();
  if (lineBottoms_.empty() || lineBottoms_.back() < total) lineBottoms_.push_back(total);
}

double RichTextPages::sliceBottom(int available) const {
  if (atEnd() || available <= 0) return top_;
  const double limit = top_ + available;
  auto after = std::upper_bound(lineBottoms_.begin(), lineBottoms_.end(), limit + 1e-6);
  if (after != lineBottoms_.begin() && *std::prev(after) > top_ + 1e-6) return *std::prev(after);
  return std::min(limit, lineBottoms_.back());
}

int RichTextPages::nextSliceHeight(int available) const {
  return static_cast<int>(std::ceil(sliceBottom(available) - top_ - 1e-6));
}

int RichTextPages::drawNext(QPainter& painter, QPointF at, int available) {
  int height = 0;
  const double top = takeNext(available, &height);
  if (height > 0) drawSlice(painter, at, top, top_);
  return height;
}

double RichTextPages::takeNext(int available, int* height) {
  const double top = top_;
  *height = nextSliceHeight(available);
  if (*height > 0) top_ = sliceBottom(available);
  return top;
}

void RichTextPages::drawSlice(QPainter& painter, QPointF at, double top, double bottom) const {
  // Only the lines inside the slice are drawn: a line that merely touches its
  // edge, or that the slice's rounded height reaches into, belongs to the
  // neighbouring slice. Drawn here too it would be clipped out of sight but
  // stay in a PDF's text, found twice by a search or a copy.
  const auto end = std::upper_bound(lineBottoms_.begin(), lineBottoms_.end(), bottom + 1e-6);
  if (end != lineBottoms_.begin() && *std::prev(end) > top + 1e-6) bottom = *std::prev(end);
  constexpr double kEdge = 0.25;
  const QRectF slice(0, top + kEdge, width_, std::max(bottom - top - 2 * kEdge, 0.0));
  painter.save();
  painter.translate(at.x(), at.y() - top);
  painter.setClipRect(slice, Qt::IntersectClip);
  QAbstractTextDocumentLayout::PaintContext context;
  context.clip = slice;
  context.palette.setColor(QPalette::Text, Qt::black);
  document_.documentLayout()->draw(&painter, context);
  painter.restore();
}

bool RichTextPages::atEnd() const { return top_ >= lineBottoms_.back() - 1e-6; }

int RichTextPages::totalHeight() const {
  return static_cast<int>(std::ceil(lineBottoms_.back() - 1e-6));
}

}  // namespace rt
