#include "shell/welcome_form.h"

#include <QGroupBox>
#include <QLabel>
#include <QPainter>

#include "platform/Fonts.h"
#include "platform/FormHelpers.h"
#include "platform/ImageControl.h"
#include "platform/Window.h"

using namespace platform;

QString WelcomeDateLine(const QDate& date) {
    static const char* const weekdays[] = {"星期一", "星期二", "星期三", "星期四",
                                           "星期五", "星期六", "星期日"};
    return QString("%1年%2月%3日 %4")
        .arg(date.year())
        .arg(date.month(), 2, 10, QChar('0'))
        .arg(date.day(), 2, 10, QChar('0'))
        .arg(QString::fromUtf8(weekdays[date.dayOfWeek() - 1]));
}

namespace {

// One framed group of the guide: a menu and its items.
void guideGroup(QWidget* parent, const char* name, const char* title,
                std::initializer_list<const char*> items, int left) {
    auto* frame = MakeControl<QGroupBox>(parent, name, left, 3600, 2200, 2300);
    frame->setTitle(title);
    int top = 450;
    for (const char* item : items) {
        MakeLabel(frame, QString(name) + "Item", QString("· ") + item, 300, top, 1800, 300);
        top += 450;
    }
}

QPixmap welcomePicture(int w, int h) {
    QPixmap pm(w, h);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(0, 0, w, h);
    g.setColorAt(0, QColor(0x4A, 0x7F, 0xD4));
    g.setColorAt(1, QColor(0x1E, 0x3F, 0x80));
    p.setBrush(g);
    p.setPen(Qt::NoPen);
    p.drawRoundedRect(0, 0, w, h, 8, 8);
    p.setPen(QPen(QColor(0xFF, 0xC8, 0x50), 3));
    p.drawPolyline(QPolygon({{10, h - 12}, {w / 3, h / 2}, {w / 2, h * 2 / 3}, {w - 10, 12}}));
    return pm;
}

}  // namespace

welcome_form::welcome_form(QWidget* parent) : Form("welcome_form", parent) {
    setCaption("Pravelta－欢迎您");
    // Docked under the main strip, which serves as its title bar: the page draws its own edges.
    MakeBorderless(this);
    Move(0, 0, 11900, 7800);
    for (const char* edge : {"imgWindowLeft", "imgWindowRight", "imgWindowBottom",
                             "imgWindowBottomLeft", "imgWindowBottomRight"}) {
        auto* image = new ImageControl(this);
        image->setObjectName(edge);
        image->setStretch(true);
    }
    lblTime = MakeLabel(this, "lblTime", "日期", 8200, 300, 3300, 300);
    lblTime->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    auto* picture = MakeControl<QLabel>(this, "Picture1", 600, 700, 1500, 1500);
    picture->setPixmap(welcomePicture(picture->width(), picture->height()));
    QLabel* greeting = MakeLabel(this, "Label1", "欢迎您！", 2400, 800, 4000, 450);
    greeting->setFont(SongFont(14, true));
    QLabel* title = MakeLabel(this, "Label2", "PraveltaKVT", 2400, 1400, 6000, 600);
    title->setFont(QFont("Arial", 22, QFont::Bold));
    title->setStyleSheet("color: #2F5FB3;");
    QLabel* heading = MakeLabel(this, "Label3", "操作指南：", 600, 2900, 3000, 400);
    heading->setFont(SongFont(11, true));

    guideGroup(this, "Frame1", "基础数据", {"数据录入", "周期转换"}, 600);
    guideGroup(this, "Frame2", "分析", {"绩效分析", "能力趋势", "杜邦分析"}, 3500);
    guideGroup(this, "Frame3", "打印", {"基础数据", "绩效指标", "趋势图"}, 6400);
    guideGroup(this, "Frame4", "系统设置", {"系统信息", "修改口令", "基准设置"}, 9300);
    for (int i = 0; i < 3; ++i)
        MakeLabel(this, "lblArrow", "------->", 2820 + i * 2900, 4600, 700, 300);
}

void welcome_form::Form_Load() {
    lblTime->setText(WelcomeDateLine(today));
}
