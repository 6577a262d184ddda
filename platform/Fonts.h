// Font names the windows were designed with (Windows fonts) mapped to fonts that exist here.
#pragma once

#include <QFont>

namespace platform {

// The Song face ("宋体") the windows, charts and printouts were designed with, at a size in
// points, bold or not.
QFont SongFont(double points, bool bold = false);

// The Song face on paper: a Ming face ("AR PL UMing CN") when installed, else SongFont. Its
// glyph of each ideograph serves that ideograph alone, so the text of a PDF reads back as
// printed; the CJK faces that stand in for the Song face on screen share the glyph of 长 with
// the radical ⻓, which a PDF's text map may pick instead.
QFont PaperSongFont(double points, bool bold = false);

// Installs the substitutions: the Song face ("宋体", "SimSun") to "Noto Serif CJK SC"; the common
// Latin sans, serif and monospace faces ("Arial", "MS Sans Serif", "Tahoma", "Times New Roman",
// "Courier New", ...) to the first installed family of a matching kind, with a CJK family
// behind it for Chinese text. Needs a running QGuiApplication.
void InstallFontSubstitutions();

// A face a window was designed with, by its name ("Arial", "宋体", ...), at a size in points,
// bold or not.
QFont DesignFont(const QString& family, double points, bool bold = false);

}  // namespace platform
