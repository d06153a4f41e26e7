#include "platform/ui/rtf_control.h"

#include <QAbstractButton>
#include <QClipboard>
#include <QComboBox>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QTextBlock>
#include <QTextLayout>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>

#include "platform/base/message_hook.h"
#include "platform/base/paths.h"
#include "platform/base/safe_file.h"
#include "platform/ui/qt_text.h"
#include "platform/ui/rich_text_document.h"
#include "platform/ui/rtf_file_services.h"
#include "platform/ui/rtf_tool_entries.h"

namespace rt {
namespace {

constexpr double kMinPoints = 1;
constexpr double kMaxPoints = 1638;

QList<QAbstractButton*> alignmentButtons(QWidget* group) {
  if (!group) return {};
  return group->findChildren<QAbstractButton*>();
}

// The value of a drop list's current entry: its data when the list gives one,
// else its position counted from 1.
int currentValue(const QComboBox* list) {
  const QVariant data = list->currentData();
  return data.isValid() ? data.toInt() : list->currentIndex() + 1;
}

void selectValue(QComboBox* list, int value, const QString& name) {
  int index = list->findData(value);
  if (index < 0) index = list->findText(name, Qt::MatchFixedString);
  list->setCurrentIndex(index);
}

void setDisplay(QWidget* display, const QString& text) {
  if (auto* label = qobject_cast<QLabel*>(display)) {
    label->setText(text);
  } else if (auto* edit = qobject_cast<QLineEdit*>(display)) {
    edit->setText(text);
  }
}

std::filesystem::path diskPath(const std::string& path) { return resolvePath(path); }

void reportFileError(const std::string& text) {
  showMessage(MessageRequest{text, "Error", MessageIcon::Error, button::Ok, {}, 0});
}

// The tool a key of the text stands for: Ctrl+B, Ctrl+I, Ctrl+U.
std::optional<RtfTool> styleShortcut(const QKeyEvent& key) {
  if ((key.modifiers() & ~Qt::KeypadModifier) != Qt::ControlModifier) return std::nullopt;
  switch (key.key()) {
    case Qt::Key_B:
      return RtfTool::Bold;
    case Qt::Key_I:
      return RtfTool::Italic;
    case Qt::Key_U:
      return RtfTool::Underline;
    default:
      return std::nullopt;
  }
}

}  // namespace

RtfControl::RtfControl(RtfToolWindows* windows, RtfFileServices* files)
    : windows_(windows), files_(files != nullptr ? files : &RtfFileDialogs::standard()) {}

RtfControl::~RtfControl() { release(); }

QWidget* RtfControl::tool(RtfTool which) const { return tools_[static_cast<int>(which)]; }

void RtfControl::setOption(int tool, QWidget* control) {
  if (tool < 0 || tool >= kRtfToolCount) return;
  tools_[tool] = control;
  if (editor_) {
    fillLists();
    refreshTools();
  }
}

// The tool a control stands for: a button of the alignment option stands for
// the option (the justified button too, which the option handles); -1 for none.
int RtfControl::toolOf(const QWidget* control) const {
  if (control == nullptr) return -1;
  const QWidget* group = tool(RtfTool::Alignment);
  if (group && group != control && group->isAncestorOf(control)) {
    return static_cast<int>(RtfTool::Alignment);
  }
  for (int i = 1; i < kRtfToolCount; ++i) {
    if (tools_[i] == control) return i;
  }
  return -1;
}

void RtfControl::attachControl(QTextEdit* editor, int flag, const std::string& fileName) {
  if (editor_) editor_->removeEventFilter(this);
  for (const QMetaObject::Connection& connection : editorConnections_) disconnect(connection);
  editorConnections_.clear();
  editor_ = editor;
  tools_[static_cast<int>(RtfTool::Text)] = editor;
  if (flag == 0) fileName_ = fileName;
  if (!editor) return;
  editor->installEventFilter(this);
  auto refresh = [this] { refreshTools(); };
  editorConnections_.push_back(connect(editor, &QTextEdit::cursorPositionChanged, this, refresh));
  editorConnections_.push_back(connect(editor, &QTextEdit::selectionChanged, this, refresh));
  editorConnections_.push_back(
      connect(editor, &QTextEdit::currentCharFormatChanged, this, refresh));
  editorConnections_.push_back(connect(editor, &QTextEdit::undoAvailable, this, refresh));
  editorConnections_.push_back(connect(editor, &QTextEdit::redoAvailable, this, refresh));
  editorConnections_.push_back(
      connect(editor->document(), &QTextDocument::modificationChanged, this, refresh));
  if (QClipboard* clipboard = QGuiApplication::clipboard()) {
    editorConnections_.push_back(connect(clipboard, &QClipboard::dataChanged, this, refresh));
  }
  fillLists();
  refreshTools();
}

int RtfControl::takeEvent() {
  if (editor_) refreshTools();
  return 0;
}

int RtfControl::takeEvent(const WindowDriver& window) {
  if (!editor_) return 0;
  if (window.event() == event::Accepted) {
    const int which = toolOf(window.field());
    if (which == static_cast<int>(RtfTool::Alignment)) {
      applyAlignment(window.field());
    } else if (which >= 0) {
      takeToolAccepted(which);
    }
  }
  // A tool control the user has just set waits in the queue with its accepted
  // event: refreshing now would put back the state it is about to change.
  if (!window.hasQueued(event::Accepted)) refreshTools();
  return 0;
}

void RtfControl::release() {
  if (editor_) editor_->removeEventFilter(this);
  for (const QMetaObject::Connection& connection : editorConnections_) disconnect(connection);
  editorConnections_.clear();
  tools_.fill(nullptr);
  editor_ = nullptr;
}

std::string RtfControl::markup() const {
  return editor_ ? documentRtf(*editor_->document()) : std::string();
}

void RtfControl::setMarkup(std::string_view markup) {
  if (!editor_) return;
  setDocumentRtf(*editor_->document(), markup);
  editor_->moveCursor(QTextCursor::Start);  // a new text is read from its beginning
  refreshTools();
}

bool RtfControl::findNext(const QString& text, FindOptions options) {
  if (!editor_) return false;
  const QTextCursor found = findText(*editor_->document(), editor_->textCursor(), text, options);
  if (found.isNull()) return false;
  editor_->setTextCursor(found);
  return true;
}

// Replaces the selection when it is an occurrence, then moves to the next one.
bool RtfControl::replaceNext(const QString& text, const QString& replacement, FindOptions options) {
  if (!editor_) return false;
  QTextCursor cursor = editor_->textCursor();
  if (selectionMatches(cursor, text, options)) {
    cursor.insertText(replacement);
    editor_->setTextCursor(cursor);
  }
  return findNext(text, options);
}

int RtfControl::replaceAll(const QString& text, const QString& replacement, FindOptions options) {
  return editor_ ? rt::replaceAll(*editor_->document(), text, replacement, options) : 0;
}

// Lists the control fills itself when the window left them empty; the colour
// lists get their swatches either way.
void RtfControl::fillLists() {
  if (auto* list = qobject_cast<QComboBox*>(tool(RtfTool::BulletStyle));
      list && list->count() == 0) {
    const QSignalBlocker blocker(list);
    for (const ListStyleEntry& entry : listStyleEntries()) {
      list->addItem(QString::fromLatin1(entry.name), static_cast<int>(entry.style));
    }
  }
  if (auto* list = qobject_cast<QComboBox*>(tool(RtfTool::FontName)); list && list->count() == 0) {
    const QSignalBlocker blocker(list);
    list->addItems(QFontDatabase::families());
  }
  if (auto* list = qobject_cast<QComboBox*>(tool(RtfTool::FontSize)); list && list->count() == 0) {
    const QSignalBlocker blocker(list);
    for (const int size : fontSizeEntries()) list->addItem(QString::number(size), size);
  }
  for (RtfTool which : {RtfTool::FontColour, RtfTool::BackColour}) {
    auto* list = qobject_cast<QComboBox*>(tool(which));
    if (!list) continue;
    const QSignalBlocker blocker(list);
    if (list->count() == 0) {
      for (const ColourEntry& entry : colourEntries()) {
        list->addItem(QString::fromLatin1(entry.name), entry.value);
      }
    }
    for (int i = 0; i < list->count(); ++i) {
      const QVariant data = list->itemData(i);
      const ColourEntry* entry =
          data.isValid() ? colourEntryOfValue(data.toInt()) : colourEntryOfName(list->itemText(i));
      if (entry) list->setItemIcon(i, colourIcon(entry->colour));
    }
  }
}

void RtfControl::refreshTools() {
  if (!editor_ || refreshing_) return;
  refreshing_ = true;
  refreshDisplays();
  refreshCharacterTools();
  refreshParagraphTools();
  refreshing_ = false;
}

void RtfControl::refreshDisplays() {
  const QTextCursor cursor = editor_->textCursor();
  const QTextDocument* document = editor_->document();
  const bool writable = !editor_->isReadOnly();

  // Line and position as the user sees them: wrapped lines count.
  const QTextBlock current = cursor.block();
  int line = 0;
  for (QTextBlock block = document->begin(); block.isValid() && block != current;
       block = block.next()) {
    line += std::max(1, block.layout() ? block.layout()->lineCount() : 1);
  }
  int column = cursor.positionInBlock();
  if (const QTextLayout* layout = current.layout()) {
    const QTextLine within = layout->lineForTextPosition(cursor.positionInBlock());
    if (within.isValid()) {
      line += within.lineNumber();
      column -= within.textStart();
    }
  }
  setDisplay(tool(RtfTool::FileName), toQString(fileName_));
  setDisplay(tool(RtfTool::LineNumber), QString::number(line + 1));
  setDisplay(tool(RtfTool::Column), QString::number(column + 1));
  if (auto* mark = qobject_cast<QAbstractButton*>(tool(RtfTool::Modified))) {
    const QSignalBlocker blocker(mark);
    mark->setChecked(document->isModified());
  } else {
    setDisplay(tool(RtfTool::Modified), document->isModified() ? QStringLiteral("*") : QString());
  }

  auto enable = [this](RtfTool which, bool on) {
    if (QWidget* control = tool(which)) control->setEnabled(on);
  };
  enable(RtfTool::Cut, writable && cursor.hasSelection());
  enable(RtfTool::Copy, cursor.hasSelection());
  enable(RtfTool::Paste, writable && editor_->canPaste());
  enable(RtfTool::Undo, writable && document->isUndoAvailable());
  enable(RtfTool::Redo, writable && document->isRedoAvailable());
}

void RtfControl::refreshCharacterTools() {
  const CharStyle style =
      charStyleOf(editor_->currentCharFormat(), editor_->document()->defaultFont());
  if (auto* list = qobject_cast<QComboBox*>(tool(RtfTool::FontName))) {
    const QSignalBlocker blocker(list);
    const int index = list->findText(style.font, Qt::MatchFixedString);
    list->setCurrentIndex(index);
    if (index < 0 && list->isEditable()) list->setEditText(style.font);
  }
  if (auto* list = qobject_cast<QComboBox*>(tool(RtfTool::FontSize))) {
    const QSignalBlocker blocker(list);
    const QString size = QString::number(style.halfPoints / 2.0);
    const int index = list->findText(size);
    list->setCurrentIndex(index);
    if (index < 0 && list->isEditable()) list->setEditText(size);
  }
  if (auto* list = qobject_cast<QComboBox*>(tool(RtfTool::FontScript));
      list && list->property("varnetaFamily").toString() != style.font) {
    const QSignalBlocker blocker(list);
    list->clear();
    for (const QFontDatabase::WritingSystem system : QFontDatabase::writingSystems(style.font)) {
      list->addItem(QFontDatabase::writingSystemName(system), static_cast<int>(system));
    }
    list->setCurrentIndex(list->findData(static_cast<int>(QFontDatabase::Latin)));
    list->setProperty("varnetaFamily", style.font);
  }
  const std::pair<RtfTool, bool> toggles[] = {{RtfTool::Bold, style.bold},
                                              {RtfTool::Italic, style.italic},
                                              {RtfTool::Underline, style.underline}};
  for (const auto& [which, on] : toggles) {
    if (auto* box = qobject_cast<QAbstractButton*>(tool(which))) {
      const QSignalBlocker blocker(box);
      box->setChecked(on);
    }
  }
  const std::pair<RtfTool, std::optional<Rgb>> colours[] = {{RtfTool::FontColour, style.colour},
                                                            {RtfTool::BackColour, style.highlight}};
  for (const auto& [which, colour] : colours) {
    auto* list = qobject_cast<QComboBox*>(tool(which));
    if (!list) continue;
    const QSignalBlocker blocker(list);
    const ColourEntry* match = nullptr;
    for (const ColourEntry& entry : colourEntries()) {
      if (entry.colour == colour) match = &entry;
    }
    if (match) {
      selectValue(list, match->value, QString::fromLatin1(match->name));
    } else {
      list->setCurrentIndex(-1);  // a colour outside the list
    }
  }
}

void RtfControl::refreshParagraphTools() {
  const QTextCursor cursor = editor_->textCursor();
  const Alignment alignment = alignmentAt(cursor);
  const QList<QAbstractButton*> choices = alignmentButtons(tool(RtfTool::Alignment));
  const int chosen = static_cast<int>(alignment);
  for (int i = 0; i < choices.size(); ++i) {
    const QSignalBlocker blocker(choices[i]);
    if (i == chosen) choices[i]->setChecked(true);
  }
  if (auto* justify = qobject_cast<QAbstractButton*>(tool(RtfTool::Justify))) {
    const QSignalBlocker blocker(justify);
    justify->setChecked(alignment == Alignment::Justified);
  }
  const ListStyle list = listStyleAt(cursor);
  if (auto* bullets = qobject_cast<QAbstractButton*>(tool(RtfTool::Bullets))) {
    const QSignalBlocker blocker(bullets);
    bullets->setChecked(list != ListStyle::None);
  }
  if (auto* styles = qobject_cast<QComboBox*>(tool(RtfTool::BulletStyle));
      styles && list != ListStyle::None) {
    const QSignalBlocker blocker(styles);
    const auto& entry = listStyleEntries()[static_cast<std::size_t>(list) - 1];
    selectValue(styles, static_cast<int>(list), QString::fromLatin1(entry.name));
  }
}

void RtfControl::takeToolAccepted(int which) {
  if (!editor_ || which < 0 || which >= kRtfToolCount) return;
  QTextCursor cursor = editor_->textCursor();
  auto* list = qobject_cast<QComboBox*>(tools_[which].data());
  auto* box = qobject_cast<QAbstractButton*>(tools_[which].data());
  switch (static_cast<RtfTool>(which)) {
    case RtfTool::New:
      newDocument();
      break;
    case RtfTool::Open:
      openDocument();
      break;
    case RtfTool::Save:
      saveDocument();
      break;
    case RtfTool::Print:
      files_->print(markup(), fileName_);
      break;
    case RtfTool::Find:
      if (windows_) windows_->openFind(*this, cursor.selectedText());
      break;
    case RtfTool::Replace:
      if (windows_) windows_->openReplace(*this, cursor.selectedText());
      break;
    case RtfTool::Cut:
      editor_->cut();
      break;
    case RtfTool::Copy:
      editor_->copy();
      break;
    case RtfTool::Paste:
      editor_->paste();
      break;
    case RtfTool::Undo:
      editor_->undo();
      break;
    case RtfTool::Redo:
      editor_->redo();
      break;
    case RtfTool::TabStops:
      if (windows_) {
        windows_->openTabStops(tabStopsAt(cursor),
                               [editor = editor_](const std::vector<TabStop>& tabs) {
                                 if (editor) setTabStops(editor->textCursor(), tabs);
                               });
      }
      break;
    case RtfTool::Indents:
      if (windows_) {
        windows_->openIndents(indentsAt(cursor), [editor = editor_](const Indents& indents) {
          if (editor) setIndents(editor->textCursor(), indents);
        });
      }
      break;
    case RtfTool::Alignment:
      applyAlignment();
      break;
    case RtfTool::Justify:
      if (box) setAlignment(cursor, box->isChecked() ? Alignment::Justified : Alignment::Left);
      break;
    case RtfTool::Bullets:
      applyBullets();
      break;
    case RtfTool::BulletStyle:
      applyBulletStyle();
      break;
    case RtfTool::FontName:
      if (list && !list->currentText().trimmed().isEmpty()) {
        QTextCharFormat format;
        format.setFontFamilies(QStringList{list->currentText().trimmed()});
        applyCharFormat(format);
      }
      break;
    case RtfTool::FontSize:
      if (list) {
        bool ok = false;
        const double points = list->currentText().trimmed().toDouble(&ok);
        if (ok && points >= kMinPoints && points <= kMaxPoints) {
          QTextCharFormat format;
          format.setFontPointSize(std::round(points * 2) / 2);
          applyCharFormat(format);
        }
      }
      break;
    case RtfTool::FontScript:
      applyFontScript();
      break;
    case RtfTool::Bold:
    case RtfTool::Italic:
    case RtfTool::Underline:
      if (box) applyToggle(static_cast<RtfTool>(which), box->isChecked());
      break;
    case RtfTool::FontColour:
    case RtfTool::BackColour:
      applyColour(static_cast<RtfTool>(which));
      break;
    default:
      break;
  }
  refreshTools();
  giveFocusBack(static_cast<RtfTool>(which));
}

// A tool that acted on the text at once hands the keyboard back to it (a
// drop list chosen with the mouse would keep it), with the cursor where it
// was, so what is typed next goes on in the style just set. Tools that open
// a window of their own leave the focus to that window.
void RtfControl::giveFocusBack(RtfTool performed) {
  switch (performed) {
    case RtfTool::New:
    case RtfTool::Open:
    case RtfTool::Save:
    case RtfTool::Print:
    case RtfTool::Find:
    case RtfTool::Replace:
    case RtfTool::TabStops:
    case RtfTool::Indents:
      return;
    default:
      break;
  }
  if (editor_ && editor_->isVisible() && editor_->isEnabled() && !editor_->hasFocus()) {
    editor_->setFocus(Qt::OtherFocusReason);
  }
}

bool RtfControl::eventFilter(QObject* watched, QEvent* event) {
  if (watched != editor_.data() || editor_->isReadOnly()) return false;
  if (event->type() != QEvent::KeyPress && event->type() != QEvent::ShortcutOverride) return false;
  const auto& key = *static_cast<QKeyEvent*>(event);
  // Enter is the control's own: the text control's, in an empty paragraph,
  // starts none and only takes the format away.
  if (event->type() == QEvent::KeyPress && key.matches(QKeySequence::InsertParagraphSeparator)) {
    newParagraph();
    return true;
  }
  const std::optional<RtfTool> style = styleShortcut(key);
  if (!style) return false;
  event->accept();  // an override keeps the key from any shortcut of the window
  if (event->type() == QEvent::KeyPress) toggleStyle(*style);
  return true;
}

// Toggled from what the text at the cursor has (or, with nothing selected,
// what would be typed next).
void RtfControl::toggleStyle(RtfTool which) {
  const QTextCharFormat current = editor_->currentCharFormat();
  bool on = false;
  if (which == RtfTool::Bold) on = current.fontWeight() <= QFont::Normal;
  if (which == RtfTool::Italic) on = !current.fontItalic();
  if (which == RtfTool::Underline) on = !current.fontUnderline();
  applyToggle(which, on);
  refreshTools();
}

void RtfControl::newParagraph() {
  editor_->setTextCursor(insertParagraph(editor_->textCursor(), editor_->currentCharFormat()));
  editor_->ensureCursorVisible();
  refreshTools();
}

void RtfControl::applyCharFormat(const QTextCharFormat& format) {
  editor_->mergeCurrentCharFormat(format);
}

void RtfControl::applyToggle(RtfTool which, bool on) {
  QTextCharFormat format;
  if (which == RtfTool::Bold) format.setFontWeight(on ? QFont::Bold : QFont::Normal);
  if (which == RtfTool::Italic) format.setFontItalic(on);
  if (which == RtfTool::Underline) format.setFontUnderline(on);
  applyCharFormat(format);
}

void RtfControl::applyColour(RtfTool which) {
  auto* list = qobject_cast<QComboBox*>(tool(which));
  if (!list || list->currentIndex() < 0) return;
  const QVariant data = list->currentData();
  const ColourEntry* entry =
      data.isValid() ? colourEntryOfValue(data.toInt()) : colourEntryOfName(list->currentText());
  if (!entry) return;
  const QTextCursor cursor = editor_->textCursor();
  if (cursor.hasSelection()) {
    which == RtfTool::FontColour ? setTextColour(cursor, entry->colour)
                                 : setHighlight(cursor, entry->colour);
    return;
  }
  QTextCharFormat format = editor_->currentCharFormat();  // the format of what is typed next
  const int property =
      which == RtfTool::FontColour ? QTextFormat::ForegroundBrush : QTextFormat::BackgroundBrush;
  if (entry->colour) {
    format.setProperty(property, QBrush(QColor(QRgb(*entry->colour))));
  } else {
    format.clearProperty(property);
  }
  editor_->setCurrentCharFormat(format);
}

// The button chosen (or, when none is named, the checked one) of the alignment
// option: left, centre, right, justified.
void RtfControl::applyAlignment(const QWidget* chosen) {
  const QList<QAbstractButton*> choices = alignmentButtons(tool(RtfTool::Alignment));
  for (int i = 0; i < choices.size() && i < 4; ++i) {
    if (chosen ? choices[i] == chosen : choices[i]->isChecked()) {
      setAlignment(editor_->textCursor(), static_cast<Alignment>(i));
      return;
    }
  }
}

void RtfControl::applyBullets() {
  auto* box = qobject_cast<QAbstractButton*>(tool(RtfTool::Bullets));
  if (!box) return;
  ListStyle style = ListStyle::None;
  if (box->isChecked()) {
    style = ListStyle::Bullet;
    if (auto* styles = qobject_cast<QComboBox*>(tool(RtfTool::BulletStyle));
        styles && styles->currentIndex() >= 0) {
      const int value = currentValue(styles);
      if (value >= 1 && value <= 6) style = static_cast<ListStyle>(value);
    }
  }
  setListStyle(editor_->textCursor(), style);
}

void RtfControl::applyBulletStyle() {
  auto* styles = qobject_cast<QComboBox*>(tool(RtfTool::BulletStyle));
  if (!styles || styles->currentIndex() < 0) return;
  const int value = currentValue(styles);
  if (value >= 1 && value <= 6) setListStyle(editor_->textCursor(), static_cast<ListStyle>(value));
}

// Text is Unicode here, so a script does not recode the selection: choosing one
// narrows the font-name list to the families that can write it.
void RtfControl::applyFontScript() {
  auto* scripts = qobject_cast<QComboBox*>(tool(RtfTool::FontScript));
  auto* names = qobject_cast<QComboBox*>(tool(RtfTool::FontName));
  if (!scripts || !names || scripts->currentIndex() < 0) return;
  const auto system = static_cast<QFontDatabase::WritingSystem>(scripts->currentData().toInt());
  const QSignalBlocker blocker(names);
  const QString current = names->currentText();
  names->clear();
  names->addItems(QFontDatabase::families(system));
  names->setCurrentIndex(names->findText(current, Qt::MatchFixedString));
}

void RtfControl::newDocument() {
  setMarkup({});
  fileName_.clear();
}

void RtfControl::openDocument() {
  files_->chooseFileToOpen([this, guard = QPointer<RtfControl>(this)](const std::string& path) {
    if (guard && editor_ && loadFile(path)) fileName_ = path;
    if (guard) refreshTools();
  });
}

void RtfControl::saveDocument() {
  if (!fileName_.empty()) {
    if (saveFile(fileName_)) editor_->document()->setModified(false);
    return;
  }
  files_->chooseFileToSave(fileName_,
                           [this, guard = QPointer<RtfControl>(this)](const std::string& path) {
                             if (!guard || !editor_ || !saveFile(path)) return;
                             fileName_ = path;
                             editor_->document()->setModified(false);
                             refreshTools();
                           });
}

bool RtfControl::loadFile(const std::string& path) {
  std::ifstream in(diskPath(path), std::ios::binary);
  if (!in) {
    reportFileError("No se pudo abrir el archivo " + path + ".");
    return false;
  }
  const std::string markup((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) {
    reportFileError("No se pudo leer el archivo " + path + ".");
    return false;
  }
  setMarkup(markup);
  return true;
}

// Written beside the target and renamed over it, so a failed write never
// leaves half a document where the whole one was.
bool RtfControl::saveFile(const std::string& path) {
  const std::string text = markup();
  const int failed = replaceFile(diskPath(path), [&](const std::filesystem::path& scratch) {
    std::ofstream out(scratch, std::ios::binary | std::ios::trunc);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    return static_cast<bool>(out.flush());
  });
  if (failed != 0) {
    reportFileError("No se pudo guardar el archivo " + path + ".");
    return false;
  }
  return true;
}

}  // namespace rt
