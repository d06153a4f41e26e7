#pragma once
// Gives a window the font the user configured and keeps its layout in
// proportion: sizes the window and its controls were given in dialog units
// (and a list's row height and column widths) are recorded in the units of
// the old font and set again in the units of the new one, so the whole window
// grows with the font. Controls designed in a face, size, colour or style of
// their own keep what differs from the window; rich text keeps its own fonts.
#include <QPointer>
#include <QWidget>
#include <string>
#include <string_view>
#include <vector>

namespace core {

// A font as the program's settings describe it. Colours are blue-green-red;
// the style is the weight (400 regular, 700 bold) plus 0x1000 italic, 0x2000
// underline and 0x4000 strike-out.
struct RuntimeFont {
  std::string name;  // runtime text
  int size = 0;      // points
  long colour = -1;  // -1: none of its own
  int style = 400;
  int charset = 0;
  bool operator==(const RuntimeFont&) const = default;
};

RuntimeFont fontOf(const QWidget* widget);
void setFont(QWidget* widget, const RuntimeFont& font);
// `from` with the face, size and style of the runtime font.
QFont qtFont(const RuntimeFont& font, QFont from);

class FontScaler {
 public:
  void Init();
  // Changes the window's font: -1 for size, colour, style or charset keeps the
  // window's value, keepName or a blank name keeps its face. Nothing happens
  // while AFDISABLE is set.
  void SetFont(QWidget* window, bool keepName, int size, long colour, bool keepPositions,
               int charset, int style, std::string_view name);
  // Re-fonts the styles of the registered lists and combos (the first
  // MAXSTYLE of each) as their controls were re-fonted, and the lists'
  // headers as their lists.
  void Apply();
  // Before the window closes: back to its size in window units from before the
  // font change, scaled by any resizing the user did.
  void ApplyPendingSize();
  void Kill();

  RuntimeFont OLDFONT;
  RuntimeFont NEWFONT;
  int AFDISABLE = 0;
  int INITED = 0;
  int PRESERVETOOLBAR = 1;
  int PRESERVEMENUBAR = 1;
  int MAXSTYLE = 20;
  int NOWINDOWSAVE = 0;
  double WIDTHFACTOR_ = 1.0;
  double HEIGHTFACTOR_ = 1.0;

 private:
  struct Recorded {
    QPointer<QWidget> control;
    // Dialog units; -1 where the control was given nothing.
    int x = -1, y = -1, w = -1, h = -1;  // positions of controls placed without a layout
    int minW = -1, minH = -1, maxW = -1, maxH = -1;
    int rowHeight = -1;
    std::vector<int> columnWidths;
  };
  void capture();
  void refontAll();
  void relayout(bool keepPositions);
  void relayoutControl(const Recorded& r, bool keepPositions);
  void restyleList(QWidget* list);

  QPointer<QWidget> window_;
  std::vector<Recorded> controls_;  // the window first
  double winAtW_ = 0, winAtH_ = 0;  // window size before the change, window units
  double ratioW_ = 1, ratioH_ = 1;
  QPoint oldCentre_;
  int clientHeight_ = 0;  // pixels, before the change
  bool maximized_ = false;
};

// The window's font step of every window built on the window driver: reads
// the settings of section "AnyFont" of the program INI once per process,
// then, unless they say Disable, gives the window the configured font.
void ConfigurarFuente(FontScaler& scaler, QWidget* window);

}  // namespace core
