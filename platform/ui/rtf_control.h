#pragma once
// The rich-text control object: binds a text control (QTextEdit) to the window
// controls that stand for its tools, keeps their states in step with the text
// and performs each tool on the selection when the window accepts its control
// (the window runs takeEvent first for each of its events). The text control's
// value is the document's RTF markup. A tool never keeps the keyboard: once it
// has acted, typing goes on in the text, in the style the tool set.
//
// Tool controls by kind: displays (1 to 4) are labels or line edits (the
// modified mark may be a check box); buttons for commands; check boxes for
// bullets, bold, italic and underline; the alignment option (18) is a widget
// whose radio buttons are, in order, left, centre, right and justified; drop
// lists (QComboBox) for bullet style, font name, size, script and colours. An
// empty drop list is filled with the control's own entries.
#include <QObject>
#include <QPointer>
#include <QTextEdit>
#include <array>
#include <string>
#include <string_view>

#include "platform/ui/rich_text_editing.h"
#include "platform/ui/rtf_tool_windows.h"
#include "platform/ui/window_driver.h"

namespace rt {

enum class RtfTool {
  Text = 0,
  FileName = 1,
  LineNumber = 2,
  Column = 3,
  Modified = 4,
  New = 5,
  Open = 6,
  Save = 7,
  Print = 8,
  Find = 9,
  Replace = 10,
  Cut = 11,
  Copy = 12,
  Paste = 13,
  Undo = 14,
  Redo = 15,
  TabStops = 16,
  Indents = 17,
  Alignment = 18,
  Justify = 19,
  Bullets = 20,
  BulletStyle = 21,
  FontName = 22,
  FontSize = 23,
  FontScript = 24,
  Bold = 25,
  Italic = 26,
  Underline = 27,
  FontColour = 28,
  BackColour = 29
};
inline constexpr int kRtfToolCount = 30;

class RtfControl : public QObject {
 public:
  // `windows` opens the small windows, `files` chooses files and prints; both
  // must outlive the control. Without windows those tools do nothing; without
  // file services the file tools use the file dialog and the print dialog.
  explicit RtfControl(RtfToolWindows* windows = nullptr, RtfFileServices* files = nullptr);
  ~RtfControl() override;

  // Gives the object the window control that stands for a tool (0 to 29).
  void setOption(int tool, QWidget* control);
  // Attaches the rich-text control; with flag 0 `fileName` (CP1252) is the file
  // of the file tools.
  void attachControl(QTextEdit* editor, int flag, const std::string& fileName);
  // Run first for every event of the window: performs the tool whose control
  // the event accepts, and refreshes the tool states. Answers 0.
  int takeEvent(const WindowDriver& window);
  // Refreshes the tool states only.
  int takeEvent();
  // Performs the tool whose control was accepted.
  void takeToolAccepted(int tool);
  // Lets go of the text control and the tool controls.
  void release();

  // The bound value: the document's markup (CP1252 RTF).
  std::string markup() const;
  void setMarkup(std::string_view markup);

  // Operations of the find and replace windows. Each answers whether an
  // occurrence was found (and selected).
  bool findNext(const QString& text, FindOptions options);
  bool replaceNext(const QString& text, const QString& replacement, FindOptions options);
  int replaceAll(const QString& text, const QString& replacement, FindOptions options);

  QTextEdit* editor() const { return editor_; }
  const std::string& fileName() const { return fileName_; }

 protected:
  // Ctrl+B, Ctrl+I and Ctrl+U in the text toggle bold, italic and underline;
  // Enter starts a paragraph that keeps the format typing has.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QWidget* tool(RtfTool which) const;
  int toolOf(const QWidget* control) const;
  void fillLists();
  void refreshTools();
  void refreshDisplays();
  void refreshCharacterTools();
  void refreshParagraphTools();

  void applyCharFormat(const QTextCharFormat& format);
  void applyToggle(RtfTool which, bool on);
  void toggleStyle(RtfTool which);
  void newParagraph();
  void giveFocusBack(RtfTool performed);
  void applyColour(RtfTool which);
  void applyAlignment(const QWidget* chosen = nullptr);
  void applyBullets();
  void applyBulletStyle();
  void applyFontScript();
  void newDocument();
  void openDocument();
  void saveDocument();
  bool loadFile(const std::string& path);
  bool saveFile(const std::string& path);

  RtfToolWindows* windows_;
  RtfFileServices* files_;
  QPointer<QTextEdit> editor_;
  std::array<QPointer<QWidget>, kRtfToolCount> tools_{};
  std::vector<QMetaObject::Connection> editorConnections_;
  std::string fileName_;
  bool refreshing_ = false;
};

}  // namespace rt
