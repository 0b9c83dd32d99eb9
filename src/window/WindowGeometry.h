#pragma once
// Where the main window opens: the stored outer rectangle where a screen shows it, else the design's.

#include <QList>
#include <QRect>

#include <optional>

namespace torvane::app {

// How much of a window a screen must show for the user to find it and take it by its title bar.
inline constexpr int kShownWidth = 100;
inline constexpr int kShownHeight = 50;

// Whether the screen area shows enough of the outer rectangle, its top edge (the title bar) included.
bool ShownOn(const QRect& outer, const QRect& area);

struct StoredGeometry {
    std::optional<int> Left, Top, Height, Width; // Q7 to Q10, where stored and readable
};

// The outer rectangle the window takes. A stored size that no screen can hold gives the design size; a
// position at which no screen shows the window gives the design position; where even the design's
// rectangle is not shown (a small screen, a screen set elsewhere), the window is centred on the first
// screen, no larger than it.
QRect PlaceWindow(const StoredGeometry& stored, const QRect& design, const QList<QRect>& screenAreas);

// The outer rectangle of the given size, centred on the area.
QRect Centred(const QSize& size, const QRect& area);

} // namespace torvane::app
