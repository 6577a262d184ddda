#include "shell/frmSplash.h"

#include <QGroupBox>
#include <QLabel>
#include <QPainter>

#include "platform/FormHelpers.h"

using namespace platform;

namespace {

QPixmap logo(int size) {
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(QColor(0x2F, 0x5F, 0xB3));
    p.setPen(Qt::NoPen);
    p.drawEllipse(2, 2, size - 4, size - 4);
    p.setPen(Qt::white);
    p.setFont(QFont("Arial", size / 3, QFont::Bold));
    p.drawText(pm.rect(), Qt::AlignCenter, "P");
    return pm;
}

}  // namespace

frmSplash::frmSplash(QWidget* parent) : Form("frmSplash", parent) {
    setCaption("关于");
    Move(3000, 3000, 6000, 3300);
    auto* frame = MakeControl<QGroupBox>(this, "Frame1", 150, 100, 5700, 3000);
    auto* imgLogo = MakeControl<QLabel>(frame, "imgLogo", 300, 500, 1200, 1200);
    imgLogo->setPixmap(logo(imgLogo->width()));
    QLabel* product = MakeLabel(frame, "lblProductName", "Pravelta", 1800, 400, 3600, 600);
    product->setFont(QFont("Arial", 20, QFont::Bold));
    QLabel* kvt = MakeLabel(frame, "Label2", "KVT", 1800, 1050, 2000, 450);
    kvt->setFont(QFont("Arial", 14, QFont::Bold));
    MakeLabel(frame, "lblVersion", "版本：2.0", 1800, 1700, 3000, 300)->setFont(QFont("Arial", 10));
    MakeLabel(frame, "lblCompany", "Tavrin", 1800, 2200, 3000, 300)->setFont(QFont("Arial", 10));
}
