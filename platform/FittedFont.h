// The rule by which a one-line text a little wider than its place is drawn smaller rather than
// cut or run over its neighbours: the grids' cells and the DuPont tree's value boxes share it.
#pragma once

#include <QFont>
#include <QString>
#include <optional>

class QPaintDevice;

namespace platform {

// `font` scaled down in steps of 5 % from 95 % to `smallestPercent` % of its size, the first in
// which `text` is at most `width` pixels wide on `device` (the screen when null); empty when
// none is.
std::optional<QFont> FittedFont(const QFont& font, const QString& text, int width,
                                int smallestPercent, const QPaintDevice* device = nullptr);

}  // namespace platform
