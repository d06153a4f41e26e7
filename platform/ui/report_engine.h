#pragma once
// The report engine: bands of controls laid out in thousandths of an inch and
// printed into pages kept as display lists. Every page gets the form band
// (behind everything) and the header band at its top and the footer band at
// its bottom; detail bands fill the space between, a band that no longer fits
// starts the next page, and word-wrapped and rich text grow their band and
// continue on the next page when the page ends inside them.
#include <QFont>
#include <climits>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/base/picture.h"
#include "platform/ui/report_pages.h"

namespace rt {

struct ReportControl {
  enum class Kind { Text, Line, Box, WrappedText, RichText };
  Kind kind = Kind::Text;
  int x = 0, y = 0, width = 0, height = 0;  // in the band; a line runs to x+width, y+height
  std::function<std::string()> value;       // runtime text, read when the band prints
  Picture picture;  // display picture of a text ("@d17"); none = the value as it is
  QFont font;
  int align = 0;  // Qt horizontal alignment of a text (left when 0)
  int penWidth = 10;
  // One value read as a whole (a phone): however wide, it shrinks to fit its
  // line and never wraps. Numbers, dates and times are read so anyway.
  bool whole = false;
};

struct ReportBand {
  int height = 0;
  std::vector<ReportControl> controls;

  ReportBand& text(int x, int y, int width, int height, std::function<std::string()> value,
                   const QFont& font, std::string picture = {}, int align = 0);
  ReportBand& label(int x, int y, int width, int height, std::string text, const QFont& font,
                    int align = 0);
  // Marks the text just added as one value read as a whole (see
  // ReportControl::whole): `band.text(...).readWhole()`.
  ReportBand& readWhole();
  ReportBand& line(int x, int y, int width, int height, int penWidth = 10);
  ReportBand& box(int x, int y, int width, int height, int penWidth = 10);
  // Text that wraps at `width` and makes the band as tall as it needs. The
  // controls laid out below its box (`height` high) move down by what the
  // text needs beyond it, and follow the text's end on the page it ends on.
  ReportBand& wrapped(int x, int y, int width, std::function<std::string()> value,
                      const QFont& font, int height = 0);
  // RTF markup laid out at `width`, growing the band likewise.
  ReportBand& rich(int x, int y, int width, std::function<std::string()> markup, const QFont& font);
};

// What a page-total control shows while the pages are made; once the last
// page is done, assignPageTotals writes the number of pages in its place.
inline constexpr char kPageTotalMark[] = "?PP?";
void assignPageTotals(std::vector<ReportPage>& pages);

class ReportEngine {
 public:
  ReportEngine();
  ~ReportEngine();
  ReportEngine(const ReportEngine&) = delete;
  ReportEngine& operator=(const ReportEngine&) = delete;

  // The paper and its margins, thousandths of an inch (Letter, half-inch margins).
  int paperWidth = 8500;
  int paperHeight = 11000;
  int marginLeft = 500;
  int marginTop = 500;
  int marginRight = 500;
  int marginBottom = 500;
  // The design fixes the paper (a letter on A4): printed on that paper, not
  // on the printer's own.
  bool paperFixed = false;

  ReportBand header;
  ReportBand footer;
  ReportBand form;

  std::string title;
  int copies = 1;
  bool collate = false;

  // Prints a detail band, starting a page when none is in progress or when
  // the band does not fit in what is left of the page.
  void print(const ReportBand& detail);
  // Ends the page in progress; the next band starts a new one.
  void pageBreak();
  // Ends the page in progress, if any (the end of the run).
  void finishPage();

  // The page counter: the number of the page in progress (or of the last one).
  int pageNumber() const { return pageNumber_; }
  const std::vector<ReportPage>& pages() const { return pages_; }
  std::vector<ReportPage> takePages();
  // Called with each page's number once the page is complete.
  std::function<void(int)> onPageDone;

  int bodyWidth() const { return paperWidth - marginLeft - marginRight; }

 private:
  struct Placement;
  void startPage();
  // Places the band's fixed controls with its top at `top`: those above
  // `below` (or, with `trailing`, those at or under it).
  void placeBand(const ReportBand& band, int top, bool continuing, int below = INT_MAX,
                 bool trailing = false);
  int bodyBottom() const;
  void printGrowing(const ReportBand& band);

  std::vector<ReportPage> pages_;
  int pageNumber_ = 0;
  bool pageOpen_ = false;
  int cursor_ = 0;  // the top of the free space on the page in progress
};

}  // namespace rt
