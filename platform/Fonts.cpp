#include "platform/Fonts.h"

#include <QFont>
#include <QFontDatabase>
#include <QStringList>

namespace platform {
namespace {

// The installed families among the candidates, in order, then the CJK fallback.
QStringList installed(const QStringList& candidates, const QString& cjk) {
    QStringList out;
    for (const QString& family : candidates) {
        if (QFontDatabase::hasFamily(family)) out << family;
    }
    out << cjk;
    return out;
}

}  // namespace

QFont SongFont(double points, bool bold) {
    return DesignFont(QStringLiteral("宋体"), points, bold);
}

QFont PaperSongFont(double points, bool bold) {
    QFont font = SongFont(points, bold);
    font.setFamilies({QStringLiteral("AR PL UMing CN"), QStringLiteral("宋体")});
    return font;
}

void InstallFontSubstitutions() {
    const QString cjkSerif = "Noto Serif CJK SC";
    const QString cjkSans = "Noto Sans CJK SC";
    const QStringList sans =
        installed({"Liberation Sans", "DejaVu Sans", "Noto Sans", "FreeSans"}, cjkSans);
    const QStringList serif =
        installed({"Liberation Serif", "DejaVu Serif", "Noto Serif", "FreeSerif"}, cjkSerif);
    const QStringList mono =
        installed({"Liberation Mono", "DejaVu Sans Mono", "Noto Sans Mono", "FreeMono"}, cjkSans);

    for (const char* family : {"宋体", "SimSun", "新宋体", "NSimSun"})
        QFont::insertSubstitutions(family, {cjkSerif});
    for (const char* family : {"黑体", "SimHei", "微软雅黑", "Microsoft YaHei"})
        QFont::insertSubstitutions(family, {cjkSans});
    for (const char* family : {"Arial", "MS Sans Serif", "Microsoft Sans Serif", "Tahoma",
                               "Verdana", "Segoe UI", "System"})
        QFont::insertSubstitutions(family, sans);
    for (const char* family : {"Times New Roman", "MS Serif"})
        QFont::insertSubstitutions(family, serif);
    for (const char* family : {"Courier New", "Courier", "Fixedsys"})
        QFont::insertSubstitutions(family, mono);
}

QFont DesignFont(const QString& family, double points, bool bold) {
    QFont font(family);
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

}  // namespace platform
