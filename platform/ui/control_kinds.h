#pragma once
// The kinds of control the program's window rules speak of (entries, spin
// boxes, text boxes, lists, buttons...) and which Qt widgets stand for them.
// A widget may name its kind itself with the property "rtKind" (the kind's
// name below, such as "RichText"), for instance a custom rich-text editor.
#include <QWidget>
#include <vector>

namespace rt {

enum class ControlKind {
  Other,   // not a control of its own (a plain container, a viewport)
  Prompt,  // a label
  Image,   // a label showing a picture
  Line,
  Group,   // a group box
  Option,  // a group box of radio buttons (property "rtOption")
  Sheet,   // a tab widget
  Tab,     // a tab widget's tab bar
  Panel,   // a frame
  Progress,
  Toolbar,
  Menu,
  MenuBar,
  Button,
  Check,
  Radio,
  Entry,  // a single-line entry
  Spin,
  Text,  // a multi-line plain text box
  RichText,
  Combo,     // a combo with an editable entry
  DropList,  // a drop-down list without an entry
  List,
};

ControlKind controlKind(const QWidget* widget);

// The controls of a window in their order of creation, without the inner
// widgets of a control (the entry of a combo, the viewport of a list) and
// without plain containers; the controls inside groups, sheets and panels are
// listed after their container.
std::vector<QWidget*> windowControls(const QWidget* window);

// The control a widget belongs to: the combo or spin box of its inner entry,
// the list of its viewport; the widget itself otherwise.
QWidget* owningControl(QWidget* widget);

}  // namespace rt

namespace rt {

// The picture a control shows its value with ("@d17", "@n$12.2"); empty when
// none was given. An entry takes only text its picture can read.
void setPicture(QWidget* control, const QString& picture);
QString picture(const QWidget* control);

// Whether the user may not change the control's value.
bool isReadOnly(const QWidget* control);

// Whether the control is a button that leaves its window without storing
// ("?CANCEL", "?CLOSE", or captioned "Cerrar").
bool isCloseButton(const QWidget* control);

}  // namespace rt
