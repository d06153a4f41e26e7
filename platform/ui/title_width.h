#pragma once
// A top-level window as wide as its title needs: the window manager draws
// the title in its own bar and shortens a title that does not fit (with "..."
// in its middle), so a narrow window would hide what its caption says.
class QWidget;

namespace rt {

// The width the window's title bar needs for the whole title, its icon and
// its buttons.
int titleBarWidth(const QWidget* window);

// Widens a top-level window to titleBarWidth, within its maximum width.
void widenToTitle(QWidget* window);

}  // namespace rt
