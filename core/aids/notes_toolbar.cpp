#include "core/aids/notes_toolbar.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QRadioButton>
#include <QToolButton>

#include "platform/base/cp_literal.h"
#include "platform/ui/qt_text.h"

namespace core {
namespace {

QToolButton* toolButton(QWidget* parent, const char* name, const char* text, const char* tip,
                        bool checkable = false) {
  auto* b = new QToolButton(parent);
  b->setObjectName(name);
  b->setText(QString::fromUtf8(text));  // a symbol, written in UTF-8
  b->setToolTip(rt::toQString(tip));
  b->setCheckable(checkable);
  b->setAutoRaise(true);
  b->setFocusPolicy(Qt::NoFocus);
  return b;
}

QComboBox* toolList(QWidget* parent, const char* name, const char* tip, bool editable, int width) {
  auto* list = new QComboBox(parent);
  list->setObjectName(name);
  list->setToolTip(rt::toQString(tip));
  list->setEditable(editable);
  list->setFocusPolicy(Qt::ClickFocus);
  list->setMinimumContentsLength(width);
  list->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  return list;
}

}  // namespace

QWidget* buildNotesToolBar(QWidget* parent, rt::RtfControl& control, const NotesTools& tools) {
  auto* bar = new QWidget(parent);
  bar->setObjectName("?NOTESTOOLBAR");
  auto* row = new QHBoxLayout(bar);
  row->setContentsMargins(0, 0, 0, 0);
  row->setSpacing(2);
  auto add = [&](rt::RtfTool tool, QWidget* w) {
    control.setOption(static_cast<int>(tool), w);
    row->addWidget(w);
  };
  if (tools.find) {
    add(rt::RtfTool::Find, toolButton(bar, "?RTFFIND", "Buscar", "Buscar"));
    add(rt::RtfTool::Replace, toolButton(bar, "?RTFREPLACE", "Reemplazar", "Buscar y Reemplazar"));
  }
  if (tools.clipboard) {
    add(rt::RtfTool::Cut, toolButton(bar, "?RTFCUT", "Cortar", "Cortar"));
    add(rt::RtfTool::Copy, toolButton(bar, "?RTFCOPY", "Copiar", "Copiar"));
  }
  if (tools.paste) add(rt::RtfTool::Paste, toolButton(bar, "?RTFPASTE", "Pegar", "Pegar"));
  add(rt::RtfTool::Undo, toolButton(bar, "?RTFUNDO", "↶", "Deshacer"));
  add(rt::RtfTool::Redo, toolButton(bar, "?RTFREDO", "↷", "Rehacer"));
  add(rt::RtfTool::TabStops, toolButton(bar, "?RTFTABS", "Tab", "Tabular"));
  add(rt::RtfTool::Indents, toolButton(bar, "?RTFINDENTS", "⇥", "Sangrías de Párrafos"_cp));
  auto* alignment = new QWidget(bar);
  alignment->setObjectName("?RTFALIGNMENT");
  auto* choices = new QHBoxLayout(alignment);
  choices->setContentsMargins(0, 0, 0, 0);
  choices->setSpacing(0);
  for (const char* tip : {"Izquierda", "Centro", "Derecha", "Justificado"}) {
    auto* choice = new QRadioButton(alignment);
    choice->setToolTip(rt::toQString(tip));
    choice->setFocusPolicy(Qt::NoFocus);
    choices->addWidget(choice);
  }
  add(rt::RtfTool::Alignment, alignment);
  add(rt::RtfTool::Bullets, toolButton(bar, "?RTFBULLETS", "•", "Numeración y Viñetas"_cp, true));
  add(rt::RtfTool::BulletStyle,
      toolList(bar, "?RTFBULLETSTYLE", "Estilos de Viñetas"_cp, false, 8));
  add(rt::RtfTool::FontName, toolList(bar, "?RTFFONTNAME", "Nombre de Fuente", true, 10));
  add(rt::RtfTool::Bold, toolButton(bar, "?RTFBOLD", "N", "Negrita", true));
  add(rt::RtfTool::Italic, toolButton(bar, "?RTFITALIC", "K", "Cursiva", true));
  add(rt::RtfTool::Underline, toolButton(bar, "?RTFUNDERLINE", "S", "Subrayado", true));
  add(rt::RtfTool::FontColour, toolList(bar, "?RTFFONTCOLOUR", "Color de Fuente", false, 9));
  add(rt::RtfTool::BackColour, toolList(bar, "?RTFBACKCOLOUR", "Resaltar", false, 9));
  if (tools.fontScript) {
    add(rt::RtfTool::FontScript, toolList(bar, "?RTFFONTSCRIPT", "Estilo de Fuente", false, 6));
  }
  add(rt::RtfTool::FontSize, toolList(bar, "?RTFFONTSIZE", "Tamaño de Fuente"_cp, true, 3));
  row->addStretch();
  QFont bold = bar->findChild<QToolButton*>("?RTFBOLD")->font();
  bold.setBold(true);
  bar->findChild<QToolButton*>("?RTFBOLD")->setFont(bold);
  QFont italic = bold;
  italic.setBold(false);
  italic.setItalic(true);
  bar->findChild<QToolButton*>("?RTFITALIC")->setFont(italic);
  QFont underline = italic;
  underline.setItalic(false);
  underline.setUnderline(true);
  bar->findChild<QToolButton*>("?RTFUNDERLINE")->setFont(underline);
  return bar;
}

void lockNotesToolBar(QWidget* bar) {
  for (const char* name :
       {"?RTFUNDO", "?RTFREDO", "?RTFTABS", "?RTFINDENTS", "?RTFBULLETSTYLE", "?RTFFONTNAME",
        "?RTFFONTCOLOUR", "?RTFBACKCOLOUR", "?RTFFONTSCRIPT", "?RTFFONTSIZE"}) {
    if (QWidget* tool = bar->findChild<QWidget*>(name)) tool->setEnabled(false);
  }
}

}  // namespace core
