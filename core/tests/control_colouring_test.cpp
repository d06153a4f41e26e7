#include "core/aids/control_colouring.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <functional>
#include <memory>

#include "platform/ui/control_colors.h"
#include "platform/ui/control_kinds.h"
#include "platform/ui/dialog_units.h"

namespace core {
namespace {

struct Case {
  const char* what;
  std::function<QWidget*(QWidget*)> make;
  long expected;  // rt::kNoColor: left without a colour
};

QLineEdit* entry(QWidget* parent, bool required, bool readOnly, const char* picture = "@s20") {
  auto* e = new QLineEdit(parent);
  rt::setRequired(e, required);
  e->setReadOnly(readOnly);
  rt::setPicture(e, picture);
  return e;
}

TEST(ColorearControles, ColoursEachKindByItsAttributes) {
  const std::vector<Case> cases = {
      {"plain entry", [](QWidget* p) { return entry(p, false, false); }, rt::kNoColor},
      {"required entry", [](QWidget* p) { return entry(p, true, false); }, 0xE0F0FF},
      {"required read-only entry", [](QWidget* p) { return entry(p, true, true); }, 0xE0F0FF},
      {"read-only entry", [](QWidget* p) { return entry(p, false, true); }, 0xF0F0F0},
      {"currency entry", [](QWidget* p) { return entry(p, false, false, "@n$12.2"); }, 0xE8FFE8},
      {"read-only currency", [](QWidget* p) { return entry(p, false, true, "@n$12.2"); }, 0xF0F0F0},
      {"entry with a colour",
       [](QWidget* p) {
         auto* e = entry(p, false, true);
         rt::setBackgroundColor(e, 0x123456);
         return e;
       },
       0xE0F0FF},
      {"spin box",
       [](QWidget* p) {
         auto* s = new QSpinBox(p);
         s->setReadOnly(true);
         return s;
       },
       0xF0F0F0},
      {"text box", [](QWidget* p) { return new QPlainTextEdit(p); }, 0xF8FFFF},
      {"required text box",
       [](QWidget* p) {
         auto* t = new QPlainTextEdit(p);
         rt::setRequired(t, true);
         return t;
       },
       0xF0FFFF},
      {"read-only text box",
       [](QWidget* p) {
         auto* t = new QPlainTextEdit(p);
         t->setReadOnly(true);
         return t;
       },
       0xF0F0F0},
      {"radio button", [](QWidget* p) { return new QRadioButton(p); }, rt::kNoColor},
      {"required radio",
       [](QWidget* p) {
         auto* r = new QRadioButton(p);
         rt::setRequired(r, true);
         return r;
       },
       0xE0F0FF},
      {"required check box",
       [](QWidget* p) {
         auto* c = new QCheckBox(p);
         rt::setRequired(c, true);
         return c;
       },
       0xFFE8E8},
      {"required drop combo (not looked at)",
       [](QWidget* p) {
         auto* c = new QComboBox(p);
         c->setEditable(true);
         rt::setRequired(c, true);
         return c;
       },
       rt::kNoColor},
      {"read-only drop combo",
       [](QWidget* p) {
         auto* c = new QComboBox(p);
         c->setEditable(true);
         c->lineEdit()->setReadOnly(true);
         return c;
       },
       0xF0F0F0},
      {"list box", [](QWidget* p) { return new QListWidget(p); }, 0xF8F8F8},
      {"button", [](QWidget* p) { return new QPushButton("OK", p); }, rt::kNoColor},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    QWidget window;
    QWidget* control = c.make(&window);
    ColorearControles(&window);
    EXPECT_EQ(rt::backgroundColor(control), c.expected);
    if (c.expected != rt::kNoColor && qobject_cast<QAbstractButton*>(control) == nullptr) {
      EXPECT_EQ(control->palette().color(QPalette::Base), rt::fromBgr(c.expected));
    }
  }
}

TEST(ColorearControles, LowButtonsAndEntriesGrowToNineUnitsTextBoxesKeepTheirHeight) {
  QWidget window;
  const rt::DialogUnits units = rt::DialogUnits::of(&window);
  auto* button = new QPushButton("OK", &window);
  button->setFixedHeight(units.y(8));
  auto* text = new QPlainTextEdit(&window);
  text->setFixedHeight(units.y(8));
  auto* tall = new QPushButton("Alto", &window);
  tall->setFixedHeight(units.y(14));
  ColorearControles(&window);
  EXPECT_EQ(button->height(), units.y(9));
  EXPECT_EQ(text->height(), units.y(8));
  EXPECT_EQ(tall->height(), units.y(14));
}

TEST(ControlColors, DataColoursAreBlueGreenRed) {
  EXPECT_EQ(rt::fromBgr(0x0000FF), QColor(255, 0, 0));
  EXPECT_EQ(rt::fromBgr(0xFEEDC9), QColor(0xC9, 0xED, 0xFE));
  EXPECT_EQ(rt::toBgr(QColor(0x40, 0x00, 0x40)), 0x400040);
  EXPECT_EQ(rt::toBgr(rt::fromBgr(0x1E2D3C)), 0x1E2D3C);
}

}  // namespace
}  // namespace core
