#include "platform/ui/mnemonics.h"

#include <QAbstractButton>
#include <QLabel>
#include <QWidget>
#include <algorithm>
#include <map>
#include <set>

#include "platform/ui/control_kinds.h"

namespace rt {
namespace {

// The marked letter of a caption: the character after a single "&".
int markAt(const QString& text) {
  for (int i = 0; i + 1 < text.size(); ++i) {
    if (text[i] != QLatin1Char('&')) continue;
    if (text[i + 1] == QLatin1Char('&')) {
      ++i;
      continue;
    }
    return i;
  }
  return -1;
}

QString captionOf(const QWidget* w) {
  if (auto* button = qobject_cast<const QAbstractButton*>(w)) return button->text();
  if (auto* label = qobject_cast<const QLabel*>(w))
    return label->buddy() ? label->text() : QString();
  return {};
}

void setCaption(QWidget* w, const QString& text) {
  if (auto* button = qobject_cast<QAbstractButton*>(w)) button->setText(text);
  if (auto* label = qobject_cast<QLabel*>(w)) label->setText(text);
}

}  // namespace

std::vector<MarkedControl> markedControls(const QWidget* window) {
  std::vector<MarkedControl> marked;
  for (QWidget* w : window->findChildren<QWidget*>()) {
    if (w->window() != window && w->window() != window->window()) continue;
    const QString caption = captionOf(w);
    const int at = markAt(caption);
    if (at >= 0) marked.push_back({w, caption[at + 1].toUpper()});
  }
  return marked;
}

int resolveMnemonicClashes(QWidget* window) {
  std::vector<MarkedControl> marked = markedControls(window);
  std::map<QChar, std::vector<QWidget*>> byLetter;
  std::set<QChar> used;
  for (const MarkedControl& m : marked) {
    byLetter[m.letter].push_back(m.control);
    used.insert(m.letter);
  }
  int changed = 0;
  for (auto& [letter, controls] : byLetter) {
    if (controls.size() < 2) continue;
    // The close button keeps the letter; else the first control does.
    auto keeper = std::find_if(controls.begin(), controls.end(), isCloseButton);
    if (keeper == controls.end()) keeper = controls.begin();
    for (auto it = controls.begin(); it != controls.end(); ++it) {
      if (it == keeper) continue;
      QString caption = captionOf(*it);
      caption.remove(markAt(caption), 1);
      for (int i = 0; i < caption.size(); ++i) {
        const QChar c = caption[i].toUpper();
        if (!c.isLetterOrNumber() || used.count(c) != 0 || caption[i] == QLatin1Char('&')) continue;
        caption.insert(i, QLatin1Char('&'));
        used.insert(c);
        break;
      }
      setCaption(*it, caption);
      ++changed;
    }
  }
  return changed;
}

}  // namespace rt
