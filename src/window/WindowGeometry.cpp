#include "window/WindowGeometry.h"

namespace torvane::app {

bool ShownOn(const QRect& outer, const QRect& area) {
    const QRect shown = area.intersected(outer);
    return shown.width() >= kShownWidth && shown.height() >= kShownHeight && outer.top() >= area.top() &&
           outer.top() <= area.bottom() - kShownHeight + 1;
}

QRect Centred(const QSize& size, const QRect& area) {
    return QRect(area.x() + (area.width() - size.width()) / 2, area.y() + (area.height() - size.height()) / 2,
                 size.width(), size.height());
}

QRect PlaceWindow(const StoredGeometry& stored, const QRect& design, const QList<QRect>& screenAreas) {
    const auto shownOnAny = [&](const QRect& r) {
        for (const auto& area : screenAreas)
            if (ShownOn(r, area)) return true;
        return false;
    };
    QSize size(stored.Width.value_or(design.width()), stored.Height.value_or(design.height()));
    bool fits = false;
    for (const auto& area : screenAreas)
        fits = fits || (size.width() <= area.width() && size.height() <= area.height());
    if (!fits) size = design.size();

    QRect r(QPoint(stored.Left.value_or(design.x()), stored.Top.value_or(design.y())), size);
    if (shownOnAny(r)) return r;
    r.moveTopLeft(design.topLeft());
    if (shownOnAny(r) || screenAreas.isEmpty()) return r;
    const QRect& first = screenAreas.front();
    return Centred(r.size().boundedTo(first.size()), first);
}

} // namespace torvane::app
