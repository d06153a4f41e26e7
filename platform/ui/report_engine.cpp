#include "platform/ui/report_engine.h"

#include <QFontMetricsF>
#include <QTextLayout>
#include <algorithm>
#include <cmath>
#include <optional>

#include "platform/base/cp1252.h"
#include "platform/ui/qt_text.h"
#include "platform/ui/rich_text_pages.h"

namespace rt {
namespace {

ReportControl makeControl(ReportControl::Kind kind, int x, int y, int width, int height) {
  ReportControl c;
  c.kind = kind;
  c.x = x;
  c.y = y;
  c.width = width;
  c.height = height;
  return c;
}

// A text smaller than this share of its designed size is no longer read
// comfortably on paper: prose that would need less wraps instead (see Fit).
constexpr double kSmallestShrink = 0.7;

// A value read as a whole: digits with the signs that go with a number, a
// phone, a date or a time. Cutting any of it would print another value.
bool isWholeValue(const QString& text) {
  bool digit = false;
  for (const QChar ch : text) {
    if (ch.isDigit()) {
      digit = true;
    } else if (!ch.isSpace() && !QStringLiteral("+-()/.,:#*$%").contains(ch)) {
      return false;
    }
  }
  return digit;
}

// The longest start of `text` that fits in `width`.
QString fitting(const QString& text, const QFontMetricsF& metrics, int width) {
  int low = 0, high = static_cast<int>(text.size());
  while (low < high) {
    const int mid = (low + high + 1) / 2;
    if (metrics.horizontalAdvance(text.left(mid)) <= width) {
      low = mid;
    } else {
      high = mid - 1;
    }
  }
  return text.left(low);
}

// How a text control's value takes its box without losing a character.
enum class Fit {
  AsDesigned,  // it fits the line
  WrapInBox,   // prose whose box has room for the lines it needs at its own size
  Shrink,      // its font shrinks until it fits the line: a value read as a
               // whole, or prose that needs no less than kSmallestShrink
  Overflow,    // prose that would need less than kSmallestShrink: a detail band
               // grows to wrap it, a page's header or footer cuts it at that size
};

bool isWhole(const ReportControl& c, const QString& text) {
  return c.whole ||
         (c.picture.kind != PictureKind::None && c.picture.kind != PictureKind::String) ||
         isWholeValue(text);
}

int wrapFlags(int flags) { return (flags & ~Qt::TextSingleLine) | Qt::TextWordWrap; }

Fit fitOf(const ReportControl& c, const QString& text) {
  const int width = std::max(1, c.width);
  const QFontMetricsF metrics(c.font);
  const double advance = metrics.horizontalAdvance(text);
  if (advance <= width) return Fit::AsDesigned;
  // A value broken over lines would read as other values.
  if (isWhole(c, text)) return Fit::Shrink;
  if (c.height >= 2 * metrics.height()) {
    const QRectF needed = metrics.boundingRect(QRectF(0, 0, width, 1e6), wrapFlags(c.align), text);
    if (needed.width() <= width && needed.height() <= c.height) return Fit::WrapInBox;
  }
  if (width / advance >= kSmallestShrink) return Fit::Shrink;
  return Fit::Overflow;
}

// Lays a fixed text into its box by its fit (see Fit).
void fitInBox(PageItem& item, const ReportControl& c) {
  const Fit fit = fitOf(c, item.text);
  if (fit == Fit::AsDesigned) return;
  if (fit == Fit::WrapInBox) {
    item.flags = wrapFlags(item.flags);
    return;
  }
  const int width = std::max(1, c.width);
  const double advance = QFontMetricsF(item.font).horizontalAdvance(item.text);
  const int designed = item.font.pixelSize() > 0 ? item.font.pixelSize()
                                                 : qRound(item.font.pointSizeF() * 1000 / 72);
  const int smallest =
      fit == Fit::Shrink ? 1 : std::max(1, static_cast<int>(std::ceil(designed * kSmallestShrink)));
  int size = std::max(smallest, static_cast<int>(std::floor(designed * width / advance)));
  item.font.setPixelSize(size);
  // Rounding may leave it a hair too wide: a pixel less each time.
  while (size > smallest && QFontMetricsF(item.font).horizontalAdvance(item.text) > width) {
    item.font.setPixelSize(--size);
  }
  const QFontMetricsF shrunk(item.font);
  if (shrunk.horizontalAdvance(item.text) > width) item.text = fitting(item.text, shrunk, width);
}

struct WrappedLine {
  QString text;
  double height;
};

std::vector<WrappedLine> wrapLines(const QString& text, const QFont& font, int width) {
  std::vector<WrappedLine> lines;
  const QFontMetricsF metrics(font);
  QString normalised = text;
  normalised.replace(QLatin1String("\r\n"), QLatin1String("\n"));
  for (const QString& paragraph : normalised.split(QLatin1Char('\n'))) {
    if (paragraph.isEmpty()) {
      lines.push_back({QString(), metrics.height()});
      continue;
    }
    QTextLayout layout(paragraph, font);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
      line.setLineWidth(width);
      lines.push_back({paragraph.mid(line.textStart(), line.textLength()).trimmed(),
                       std::max(line.height(), metrics.height())});
    }
    layout.endLayout();
  }
  return lines;
}

QString controlText(const ReportControl& c) {
  const std::string value = c.value ? c.value() : std::string();
  if (c.picture.kind == PictureKind::None) return toQString(clip(value));
  return toQString(clip(format(value, c.picture)));
}

}  // namespace

ReportBand& ReportBand::text(int x, int y, int width, int height,
                             std::function<std::string()> value, const QFont& font,
                             std::string picture, int align) {
  ReportControl c = makeControl(ReportControl::Kind::Text, x, y, width, height);
  c.value = std::move(value);
  c.font = font;
  if (!picture.empty()) c.picture = parsePicture(picture);
  c.align = align;
  controls.push_back(std::move(c));
  return *this;
}

ReportBand& ReportBand::label(int x, int y, int width, int height, std::string text,
                              const QFont& font, int align) {
  return this->text(
      x, y, width, height, [text] { return text; }, font, {}, align);
}

ReportBand& ReportBand::readWhole() {
  if (!controls.empty()) controls.back().whole = true;
  return *this;
}

ReportBand& ReportBand::line(int x, int y, int width, int height, int penWidth) {
  ReportControl c = makeControl(ReportControl::Kind::Line, x, y, width, height);
  c.penWidth = penWidth;
  controls.push_back(std::move(c));
  return *this;
}

ReportBand& ReportBand::box(int x, int y, int width, int height, int penWidth) {
  ReportControl c = makeControl(ReportControl::Kind::Box, x, y, width, height);
  c.penWidth = penWidth;
  controls.push_back(std::move(c));
  return *this;
}

ReportBand& ReportBand::wrapped(int x, int y, int width, std::function<std::string()> value,
                                const QFont& font, int height) {
  ReportControl c = makeControl(ReportControl::Kind::WrappedText, x, y, width, height);
  c.value = std::move(value);
  c.font = font;
  controls.push_back(std::move(c));
  return *this;
}

ReportBand& ReportBand::rich(int x, int y, int width, std::function<std::string()> markup,
                             const QFont& font) {
  ReportControl c = makeControl(ReportControl::Kind::RichText, x, y, width, 0);
  c.value = std::move(markup);
  c.font = font;
  controls.push_back(std::move(c));
  return *this;
}

// What a growing control still has to place.
struct ReportEngine::Placement {
  const ReportControl* control;
  std::vector<WrappedLine> lines;
  std::size_t nextLine = 0;
  std::shared_ptr<RichTextPages> rich;

  bool done() const { return rich ? rich->atEnd() : nextLine >= lines.size(); }
  double naturalHeight() const {
    if (rich) return rich->totalHeight();
    double h = 0;
    for (const WrappedLine& l : lines) h += l.height;
    return h;
  }
};

void assignPageTotals(std::vector<ReportPage>& pages) {
  const QString mark = QString::fromLatin1(kPageTotalMark);
  const QString total = QString::number(pages.size());
  for (ReportPage& page : pages) {
    for (PageItem& item : page.items) {
      if (item.kind == PageItem::Kind::Text && item.text.contains(mark)) {
        item.text.replace(mark, total);
      }
    }
  }
}

ReportEngine::ReportEngine() = default;
ReportEngine::~ReportEngine() = default;

int ReportEngine::bodyBottom() const { return paperHeight - marginBottom - footer.height; }

void ReportEngine::startPage() {
  ++pageNumber_;
  ReportPage page;
  page.width = paperWidth;
  page.height = paperHeight;
  page.paperFixed = paperFixed;
  pages_.push_back(std::move(page));
  pageOpen_ = true;
  placeBand(form, marginTop, false);
  placeBand(header, marginTop, false);
  cursor_ = marginTop + header.height;
}

void ReportEngine::finishPage() {
  if (!pageOpen_) return;
  placeBand(footer, bodyBottom(), false);
  pageOpen_ = false;
  if (onPageDone) onPageDone(pageNumber_);
}

void ReportEngine::pageBreak() { finishPage(); }

std::vector<ReportPage> ReportEngine::takePages() {
  finishPage();
  std::vector<ReportPage> pages = std::move(pages_);
  pages_.clear();
  return pages;
}

// Places the band's fixed controls (texts, lines, boxes) with the band's top at `top`.
void ReportEngine::placeBand(const ReportBand& band, int top, bool continuing, int below,
                             bool trailing) {
  if (continuing) return;
  ReportPage& page = pages_.back();
  const int left = marginLeft;
  for (const ReportControl& c : band.controls) {
    if ((c.y >= below) != trailing) continue;
    PageItem item;
    switch (c.kind) {
      case ReportControl::Kind::Text: {
        item.kind = PageItem::Kind::Text;
        item.rect = QRectF(left + c.x, top + c.y, c.width, c.height);
        item.font = c.font;
        item.text = controlText(c);
        if (item.text.isEmpty()) continue;
        item.flags = (c.align ? c.align : Qt::AlignLeft) | Qt::AlignTop | Qt::TextSingleLine |
                     Qt::TextDontClip;
        fitInBox(item, c);
        break;
      }
      case ReportControl::Kind::Line:
        item.kind = PageItem::Kind::Line;
        item.rect = QRectF(left + c.x, top + c.y, c.width, c.height);
        item.penWidth = c.penWidth;
        break;
      case ReportControl::Kind::Box:
        item.kind = PageItem::Kind::Box;
        item.rect = QRectF(left + c.x, top + c.y, c.width, c.height);
        item.penWidth = c.penWidth;
        break;
      default:
        continue;  // growing controls are placed by printGrowing
    }
    page.items.push_back(std::move(item));
  }
}

void ReportEngine::print(const ReportBand& detail) {
  // Prose too long for its line even at the smallest readable size wraps,
  // and the band grows with it.
  std::optional<ReportBand> grown;
  for (std::size_t i = 0; i < detail.controls.size(); ++i) {
    const ReportControl& c = detail.controls[i];
    if (c.kind != ReportControl::Kind::Text || fitOf(c, controlText(c)) != Fit::Overflow) continue;
    if (!grown) grown = detail;
    grown->controls[i].kind = ReportControl::Kind::WrappedText;
  }
  const bool grows =
      grown.has_value() ||
      std::any_of(detail.controls.begin(), detail.controls.end(), [](const ReportControl& c) {
        return c.kind == ReportControl::Kind::WrappedText ||
               c.kind == ReportControl::Kind::RichText;
      });
  if (grows) {
    printGrowing(grown ? *grown : detail);
    return;
  }
  if (!pageOpen_) startPage();
  if (cursor_ + detail.height > bodyBottom() && cursor_ > marginTop + header.height) {
    finishPage();
    startPage();
  }
  placeBand(detail, cursor_, false);
  cursor_ += detail.height;
}

void ReportEngine::printGrowing(const ReportBand& band) {
  std::vector<Placement> growing;
  // The lowest edge of the growing controls' own boxes: the fixed controls
  // under it follow the text, however far it runs.
  int boxesBottom = 0;
  double textBottom = 0;
  for (const ReportControl& c : band.controls) {
    if (c.kind == ReportControl::Kind::WrappedText) {
      Placement p{&c, wrapLines(controlText(c), c.font, c.width), 0, nullptr};
      textBottom = std::max(textBottom, c.y + std::max<double>(c.height, p.naturalHeight()));
      growing.push_back(std::move(p));
    } else if (c.kind == ReportControl::Kind::RichText) {
      const std::string markup = c.value ? c.value() : std::string();
      Placement p{&c, {}, 0, std::make_shared<RichTextPages>(markup, c.width, c.font)};
      textBottom = std::max(textBottom, c.y + std::max<double>(c.height, p.naturalHeight()));
      growing.push_back(std::move(p));
    } else {
      continue;
    }
    boxesBottom = std::max(boxesBottom, c.y + c.height);
  }
  const bool anyTrailing =
      std::any_of(band.controls.begin(), band.controls.end(), [&](const ReportControl& c) {
        return c.kind != ReportControl::Kind::WrappedText &&
               c.kind != ReportControl::Kind::RichText && c.y >= boxesBottom;
      });
  // What the band holds under the boxes, and its whole height.
  const double under = std::max(band.height - boxesBottom, 0);
  const double natural = std::max<double>(band.height, textBottom + under);
  if (!pageOpen_) startPage();
  const int bodyTop = marginTop + header.height;
  // A band that fits on a fresh page is never split.
  const bool fitsHere = cursor_ + natural <= bodyBottom();
  if (!fitsHere && cursor_ > bodyTop &&
      (natural <= bodyBottom() - bodyTop || cursor_ + band.height > bodyBottom())) {
    finishPage();
    startPage();
  }
  int top = cursor_;
  bool continuing = false;
  for (;;) {
    placeBand(band, top, continuing, boxesBottom);
    // Where the text has got to on this page; on the band's first page at
    // least the boxes' own bottom.
    double end = continuing ? top : top + boxesBottom;
    bool more = false;
    for (Placement& p : growing) {
      const ReportControl& c = *p.control;
      double y = continuing ? top : top + c.y;
      if (p.rich) {
        const int available = static_cast<int>(bodyBottom() - y);
        int height = 0;
        const double sliceTop = p.rich->takeNext(available, &height);
        if (height > 0) {
          PageItem item;
          item.kind = PageItem::Kind::RichSlice;
          item.rect = QRectF(marginLeft + c.x, y, c.width, height);
          item.rich = p.rich;
          item.sliceTop = sliceTop;
          pages_.back().items.push_back(std::move(item));
          y += height;
        }
      } else {
        while (p.nextLine < p.lines.size()) {
          const WrappedLine& line = p.lines[p.nextLine];
          // A line always goes on a fresh page, even when taller than the page.
          if (y + line.height > bodyBottom() && y > bodyTop) break;
          if (!line.text.isEmpty()) {
            PageItem item;
            item.kind = PageItem::Kind::Text;
            item.rect = QRectF(marginLeft + c.x, y, c.width, line.height);
            item.font = c.font;
            item.text = line.text;
            item.flags = Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine | Qt::TextDontClip;
            pages_.back().items.push_back(std::move(item));
          }
          y += line.height;
          ++p.nextLine;
        }
      }
      end = std::max(end, y);
      more = more || !p.done();
    }
    if (!more) {
      // What lay under the boxes follows the text's end; on a page of its
      // own when it no longer fits under it.
      if (anyTrailing && end + under > bodyBottom() && end > bodyTop) {
        finishPage();
        startPage();
        end = cursor_;
      }
      const int shifted = static_cast<int>(std::ceil(end)) - boxesBottom;
      if (anyTrailing) placeBand(band, shifted, false, boxesBottom, true);
      cursor_ = static_cast<int>(std::ceil(end + under));
      return;
    }
    finishPage();
    startPage();
    top = cursor_;
    continuing = true;
  }
}

}  // namespace rt
