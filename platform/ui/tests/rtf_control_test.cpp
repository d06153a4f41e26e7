#include "platform/ui/rtf_control.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTextBlock>
#include <QTextList>
#include <filesystem>
#include <fstream>
#include <memory>

#include "platform/base/message_hook.h"
#include "platform/ui/rich_text_document.h"
#include "platform/ui/rtf_reader.h"
#include "rich_text_describe.h"

namespace rt {
namespace {

// Records what the control asked of its windows; the test confirms them.
class FakeWindows : public RtfToolWindows, public RtfFileServices {
 public:
  void openFind(RtfControl&, const QString& initial) override { findOpened = initial; }
  void openReplace(RtfControl&, const QString& initial) override { replaceOpened = initial; }
  void openTabStops(const std::vector<TabStop>& current, TabStopsChosen chosen) override {
    tabsShown = current;
    tabsChosen = std::move(chosen);
  }
  void openIndents(const Indents& current, IndentsChosen chosen) override {
    indentsShown = current;
    indentsChosen = std::move(chosen);
  }
  void chooseFileToOpen(FileChosen chosen) override { openChosen = std::move(chosen); }
  void chooseFileToSave(const std::string&, FileChosen chosen) override {
    saveChosen = std::move(chosen);
  }
  void print(const std::string& markup, const std::string&) override { printed = markup; }

  std::optional<QString> findOpened, replaceOpened;
  std::vector<TabStop> tabsShown;
  TabStopsChosen tabsChosen;
  Indents indentsShown;
  IndentsChosen indentsChosen;
  FileChosen openChosen, saveChosen;
  std::string printed;
};

class RtfControlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    window.resize(600, 400);
    editor = new QTextEdit(&window);
    editor->resize(500, 300);
    for (int tool = 1; tool <= 4; ++tool) display[tool] = new QLabel(&window);
    for (int tool = 5; tool <= 17; ++tool) command[tool] = new QPushButton(&window);
    alignment = new QWidget(&window);
    for (int i = 0; i < 4; ++i) choice[i] = new QRadioButton(alignment);
    for (int tool : {20, 25, 26, 27}) toggle[tool] = new QCheckBox(&window);
    for (int tool : {21, 22, 23, 24, 28, 29}) list[tool] = new QComboBox(&window);
    list[22]->setEditable(true);
    list[23]->setEditable(true);

    for (int tool = 1; tool <= 4; ++tool) control.setOption(tool, display[tool]);
    for (int tool = 5; tool <= 17; ++tool) control.setOption(tool, command[tool]);
    control.setOption(18, alignment);
    control.setOption(19, choice[3]);
    for (auto& [tool, box] : toggle) control.setOption(tool, box);
    for (auto& [tool, box] : list) control.setOption(tool, box);
    control.attachControl(editor, 0, "nota.rtf");
    control.setMarkup(testing::readTestData("wordpad_note.rtf"));
  }

  // Puts the cursor on (or selects) the first occurrence of `text`.
  void select(const QString& text, bool whole = true) {
    QTextCursor found = editor->document()->find(text);
    ASSERT_FALSE(found.isNull()) << text.toStdString();
    if (!whole) found.setPosition(found.selectionStart() + 1);
    editor->setTextCursor(found);
    control.takeEvent();
  }

  void choose(int tool, const QString& entry) {
    QComboBox* box = list[tool];
    const int index = box->findText(entry);
    ASSERT_GE(index, 0) << entry.toStdString();
    box->setCurrentIndex(index);
    control.takeToolAccepted(tool);
  }

  // What the window does when the user clicks a tool's button: the click, then
  // the accepted event, which reaches the control.
  void press(int tool) {
    if (command.count(tool)) command[tool]->click();
    if (toggle.count(tool)) toggle[tool]->click();
    control.takeToolAccepted(tool);
  }

  void pressChoice(int index) {
    choice[index]->click();
    control.takeToolAccepted(18);
  }

  QTextCharFormat formatAt(const QString& text) {
    QTextCursor at = editor->document()->find(text);
    at.setPosition(at.selectionStart() + 1);
    return at.charFormat();
  }

  FakeWindows windows;
  RtfControl control{&windows, &windows};
  QWidget window;
  QTextEdit* editor;
  std::map<int, QLabel*> display;
  std::map<int, QPushButton*> command;
  QWidget* alignment;
  QRadioButton* choice[4];
  std::map<int, QCheckBox*> toggle;
  std::map<int, QComboBox*> list;
};

TEST_F(RtfControlTest, ToolStatesFollowTheTextAtTheCursor) {
  EXPECT_EQ(list[21]->count(), 6);
  EXPECT_EQ(list[23]->itemText(0), "8");
  ASSERT_EQ(list[28]->count(), 17);
  EXPECT_EQ(list[28]->itemText(16), "Automatic");
  EXPECT_FALSE(list[28]->itemIcon(0).isNull());
  EXPECT_EQ(display[1]->text(), "nota.rtf");

  select("Informe", false);
  EXPECT_TRUE(toggle[25]->isChecked());
  EXPECT_TRUE(choice[1]->isChecked());
  EXPECT_EQ(list[23]->currentText(), "14");
  EXPECT_EQ(list[22]->currentText(), "Arial");
  EXPECT_EQ(display[2]->text(), "1");
  EXPECT_EQ(display[3]->text(), "2");

  select(QString::fromUtf8("diagnóstico"), false);
  EXPECT_FALSE(toggle[25]->isChecked());
  EXPECT_TRUE(choice[0]->isChecked());
  EXPECT_EQ(list[28]->currentText(), "Red");
  EXPECT_EQ(list[29]->currentText(), "Automatic");
  EXPECT_EQ(list[23]->currentText(), "11");
  EXPECT_FALSE(toggle[20]->isChecked());

  select("cursiva", false);
  EXPECT_TRUE(toggle[26]->isChecked());
  select("Reposo", false);
  EXPECT_TRUE(toggle[20]->isChecked());
  EXPECT_EQ(list[21]->currentText(), "Bullets");
  select("Control", false);
  EXPECT_EQ(list[21]->currentText(), "Arabic numbers");
  select(QString::fromUtf8("Núñez"), false);
  EXPECT_EQ(list[29]->currentText(), "Yellow");
  EXPECT_EQ(list[22]->currentText(), "Times New Roman");
}

TEST_F(RtfControlTest, CharacterToolsApplyToTheSelectionOnly) {
  select("Paciente");
  press(25);  // bold on
  choose(23, "20");
  choose(28, "Blue");
  choose(29, "Lime");
  press(27);
  list[22]->setEditText("Courier New");
  control.takeToolAccepted(22);

  const QTextCharFormat changed = formatAt("Paciente");
  EXPECT_EQ(changed.fontWeight(), QFont::Bold);
  EXPECT_EQ(changed.fontPointSize(), 20);
  EXPECT_EQ(changed.foreground().color(), QColor(0, 0, 255));
  EXPECT_EQ(changed.background().color(), QColor(0, 255, 0));
  EXPECT_TRUE(changed.fontUnderline());
  EXPECT_EQ(changed.fontFamilies().toStringList(), QStringList{"Courier New"});
  const QTextCharFormat untouched = formatAt("pendiente");
  EXPECT_NE(untouched.fontWeight(), QFont::Bold);
  EXPECT_EQ(untouched.fontPointSize(), 11);

  choose(28, "Automatic");
  choose(29, "Automatic");
  EXPECT_EQ(formatAt("Paciente").foreground().style(), Qt::NoBrush);
  EXPECT_EQ(formatAt("Paciente").background().style(), Qt::NoBrush);
  EXPECT_EQ(formatAt(QString::fromUtf8("diagnóstico")).foreground().color(), QColor(255, 0, 0));

  const RichText text = readRtf(control.markup());
  EXPECT_EQ(text.paragraphs[1].runs[0].style.font, "Courier New");
  EXPECT_EQ(text.paragraphs[1].runs[0].style.halfPoints, 40);
  EXPECT_FALSE(text.paragraphs[1].runs[0].style.colour.has_value());
}

TEST_F(RtfControlTest, ParagraphToolsApplyToEveryParagraphTouched) {
  QTextCursor both = editor->document()->find("Informe");
  QTextCursor end = editor->document()->find("Paciente");
  both.setPosition(end.selectionEnd(), QTextCursor::KeepAnchor);
  editor->setTextCursor(both);

  pressChoice(2);
  EXPECT_EQ(editor->document()->begin().blockFormat().alignment(), Qt::AlignRight);
  EXPECT_EQ(editor->document()->begin().next().blockFormat().alignment(), Qt::AlignRight);
  pressChoice(3);
  EXPECT_EQ(alignmentAt(editor->textCursor()), Alignment::Justified);

  choose(21, "Upper Roman numbers");  // a style numbers the paragraphs
  const QTextBlock first = editor->document()->begin();
  ASSERT_NE(first.textList(), nullptr);
  EXPECT_EQ(first.textList(), first.next().textList());
  EXPECT_EQ(first.textList()->format().style(), QTextListFormat::ListUpperRoman);
  EXPECT_TRUE(toggle[20]->isChecked());
  press(20);  // bullets off
  EXPECT_EQ(editor->document()->begin().textList(), nullptr);
  EXPECT_EQ(editor->document()->begin().blockFormat().leftMargin(), 0);
  press(20);  // bullets on, in the chosen style
  EXPECT_EQ(listStyleAt(editor->textCursor()), ListStyle::UpperRoman);

  press(16);
  ASSERT_TRUE(windows.tabsChosen);
  windows.tabsChosen({{2880, TabKind::Right}, {720, TabKind::Left}});
  press(17);
  ASSERT_TRUE(windows.indentsChosen);
  EXPECT_EQ(windows.indentsShown, (Indents{360, 0, -360}));
  windows.indentsChosen(Indents{1440, 720, -360});

  const RichText text = readRtf(control.markup());
  for (int p : {0, 1}) {
    const ParagraphStyle& style = text.paragraphs[static_cast<std::size_t>(p)].style;
    EXPECT_EQ(style.tabs, (std::vector<TabStop>{{720, TabKind::Left}, {2880, TabKind::Right}}));
    EXPECT_EQ(style.leftIndent, 1440);
    EXPECT_EQ(style.rightIndent, 720);
    EXPECT_EQ(style.firstLineIndent, -360);
    EXPECT_EQ(style.alignment, Alignment::Justified);
  }
  EXPECT_TRUE(text.paragraphs[2].style.tabs.empty());
}

TEST_F(RtfControlTest, EditingToolsPasteUndoAndRedo) {
  editor->document()->clearUndoRedoStacks();
  control.takeEvent();
  EXPECT_FALSE(command[14]->isEnabled());
  EXPECT_FALSE(command[11]->isEnabled());

  QGuiApplication::clipboard()->setText("***PACNOMBRE***");
  select("pendiente");
  EXPECT_TRUE(command[11]->isEnabled());
  EXPECT_TRUE(command[13]->isEnabled());
  press(13);
  EXPECT_FALSE(editor->toPlainText().contains("pendiente"));
  EXPECT_NE(control.markup().find("\\cf0  ***PACNOMBRE***."), std::string::npos)
      << control.markup();

  EXPECT_TRUE(command[14]->isEnabled());
  press(14);
  EXPECT_TRUE(editor->toPlainText().contains("pendiente"));
  EXPECT_TRUE(command[15]->isEnabled());
  press(15);
  EXPECT_FALSE(editor->toPlainText().contains("pendiente"));

  editor->setReadOnly(true);
  control.takeEvent();
  EXPECT_FALSE(command[13]->isEnabled());
  EXPECT_FALSE(command[14]->isEnabled());
}

TEST_F(RtfControlTest, FindAndReplaceThroughTheirWindows) {
  select("consulta");
  press(9);
  EXPECT_EQ(windows.findOpened, "consulta");
  press(10);
  EXPECT_EQ(windows.replaceOpened, "consulta");

  editor->moveCursor(QTextCursor::Start);
  EXPECT_TRUE(control.findNext("RE", {}));
  EXPECT_EQ(editor->textCursor().selectedText(), "RE");  // in ***PACNOMBRE***
  EXPECT_FALSE(control.findNext("RE", {.matchCase = true, .wholeWord = false, .backwards = false}));
  editor->moveCursor(QTextCursor::Start);
  EXPECT_TRUE(control.replaceNext("reposo", "Descanso", {}));   // selects the first
  EXPECT_FALSE(control.replaceNext("reposo", "Descanso", {}));  // replaces it, none further
  EXPECT_TRUE(editor->toPlainText().contains("Descanso relativo"));
  const auto lowerAs = editor->toPlainText().count(u'a');
  EXPECT_EQ(control.replaceAll("a", "A", {.matchCase = true}), lowerAs);
  EXPECT_EQ(editor->toPlainText().count(u'a'), 0);
  editor->undo();
  EXPECT_TRUE(editor->toPlainText().contains("Descanso relativo"));
}

TEST_F(RtfControlTest, FileToolsReadWriteAndReportFailures) {
  press(7);  // save to the attached file name
  const std::string saved = [] {
    std::ifstream in("nota.rtf", std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }();
  EXPECT_EQ(saved, control.markup());
  EXPECT_EQ(display[4]->text(), "");

  press(5);  // new
  EXPECT_TRUE(editor->document()->isEmpty());
  EXPECT_EQ(display[1]->text(), "");

  press(6);
  ASSERT_TRUE(windows.openChosen);
  windows.openChosen("nota.rtf");
  EXPECT_TRUE(editor->toPlainText().startsWith("Informe de consulta"));
  EXPECT_EQ(display[1]->text(), "nota.rtf");

  std::vector<std::string> messages;
  const MessageHandler previous = setMessageHandler([&](const MessageRequest& request) {
    messages.push_back(request.text);
    return button::Ok;
  });
  windows.openChosen("no-existe.rtf");
  EXPECT_TRUE(editor->toPlainText().startsWith("Informe de consulta")) << "nothing lost";
  control.attachControl(editor, 0, "carpeta-inexistente/nota.rtf");
  editor->insertPlainText("x");
  press(7);
  EXPECT_EQ(display[4]->text(), "*") << "still modified after a failed save";
  setMessageHandler(previous);
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_EQ(messages[0], "No se pudo abrir el archivo no-existe.rtf.");
  EXPECT_EQ(messages[1], "No se pudo guardar el archivo carpeta-inexistente/nota.rtf.");

  press(8);
  EXPECT_EQ(windows.printed, control.markup());
}

using testing::describe;

// Typed key by key into the text; "\n" is the Enter key.
void typeKeys(QTextEdit* editor, const QString& keys) {
  const QStringList lines = keys.split(u'\n');
  for (qsizetype i = 0; i < lines.size(); ++i) {
    if (i > 0) QTest::keyClick(editor, Qt::Key_Return);
    QTest::keyClicks(editor, lines[i]);
  }
}

// The tool bar's size and bold, then "Uno.", Enter, Enter, "Dos.": the empty
// paragraph and what follows it keep the format, as a word processor does,
// and so does the markup: read back, the empty paragraph types in it too.
TEST_F(RtfControlTest, EnterKeepsTheFormatThroughAnEmptyParagraphAndTheMarkup) {
  for (const char* size : {"12", "20"}) {
    SCOPED_TRACE(size);
    control.setMarkup("");
    editor->setFocus();
    choose(23, size);
    press(25);
    typeKeys(editor, "Uno.\n\n");
    EXPECT_EQ(list[23]->currentText(), size) << "the tool bar after Enter, Enter";
    EXPECT_TRUE(toggle[25]->isChecked());
    typeKeys(editor, "Dos.");
    const double points = QString(size).toDouble();
    ASSERT_EQ(editor->document()->blockCount(), 3) << describe(*editor->document());
    EXPECT_EQ(formatAt("Dos.").fontPointSize(), points);
    EXPECT_EQ(formatAt("Dos.").fontWeight(), QFont::Bold);
    const QTextBlock empty = editor->document()->begin().next();
    EXPECT_EQ(empty.charFormat().fontPointSize(), points) << "the empty paragraph's mark";
    EXPECT_EQ(empty.charFormat().fontWeight(), QFont::Bold);

    const std::string typed = describe(*editor->document());
    control.setMarkup(control.markup());
    EXPECT_EQ(describe(*editor->document()), typed) << control.markup();
    QTextCursor inEmpty(editor->document()->begin().next());
    editor->setTextCursor(inEmpty);
    typeKeys(editor, "Tres");
    EXPECT_EQ(formatAt("Tres").fontPointSize(), points) << "typed into the empty one read back";
    EXPECT_EQ(formatAt("Tres").fontWeight(), QFont::Bold);
    press(25);  // bold off again for the next case
  }
}

// Enter first in an empty note: the blank line is there, stored and read back.
TEST_F(RtfControlTest, AnEmptyFirstParagraphIsKept) {
  control.setMarkup("");
  editor->setFocus();
  typeKeys(editor, "\nDos.");
  ASSERT_EQ(editor->document()->blockCount(), 2);
  EXPECT_EQ(editor->document()->begin().text(), "");
  const RichText stored = readRtf(control.markup());
  ASSERT_EQ(stored.paragraphs.size(), 2u) << control.markup();
  EXPECT_TRUE(stored.paragraphs[0].runs.empty());
  ASSERT_EQ(stored.paragraphs[1].runs.size(), 1u);
  EXPECT_EQ(stored.paragraphs[1].runs[0].text, "Dos.");
  control.setMarkup(control.markup());
  EXPECT_EQ(editor->toPlainText(), "\nDos.");
}

// Enter in an empty numbered paragraph ends the list; the format stays.
TEST_F(RtfControlTest, EnterInAnEmptyNumberedParagraphEndsTheList) {
  control.setMarkup("");
  editor->setFocus();
  choose(23, "20");
  press(20);
  typeKeys(editor, "Uno.\n\nDos.");
  ASSERT_EQ(editor->document()->blockCount(), 2) << describe(*editor->document());
  EXPECT_NE(editor->document()->begin().textList(), nullptr);
  EXPECT_EQ(editor->document()->lastBlock().textList(), nullptr);
  EXPECT_EQ(formatAt("Dos.").fontPointSize(), 20);
}

TEST_F(RtfControlTest, ReleaseLetsGoOfTheControls) {
  control.release();
  select("Paciente");
  press(25);
  EXPECT_NE(formatAt("Paciente").fontWeight(), QFont::Bold) << "the released tool does nothing";
  EXPECT_EQ(control.markup(), "");
  delete editor;  // the window may go first
  control.takeEvent();
}

}  // namespace
}  // namespace rt
