// Shared pieces of the entry tests: filling a period panel and driving form_base on a
// temporary database.
#pragma once

#include <gtest/gtest.h>

#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <charconv>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "entry/form_base.h"
#include "platform/QtMsgBox.h"
#include "tests/support/GridInput.h"
#include "tests/support/ScriptedMsgBox.h"
#include "tests/support/TestDb.h"

// Type position, year texts (null leaves a box alone) and start/end list positions.
inline void EnterRange(PeriodRangePanel* panel, int type, const char* from, const char* to,
                       int fromPeriod = 0, int toPeriod = 0) {
    panel->cbSerial->setListIndex(type);
    if (from) panel->txtFromYear->setText(from);
    if (to && panel->txtToYear) panel->txtToYear->setText(to);
    platform::ComboList* lists[3][2] = {{panel->cbFromHalfYear, panel->cbToHalfYear},
                                        {panel->cbFromQuartor, panel->cbToQuartor},
                                        {panel->cbFromMonth, panel->cbToMonth}};
    if (type < 1 || type > 3) return;
    lists[type - 1][0]->setListIndex(fromPeriod);
    if (lists[type - 1][1]) lists[type - 1][1]->setListIndex(toPeriod);
}

// The rows of baseData matching `where`, sorted, as "item type year period amount" with the
// amount in its shortest exact text (0.6 only when the stored double is exactly 0.6).
inline std::vector<std::string> StoredRows(const TestDb& db, const std::string& where = "1=1") {
    platform::Connection conn;
    conn.Open(db.path());
    platform::Recordset rs;
    rs.Open("select ItemID,PeriodType,Year,Period,Data from baseData where " + where +
                " order by ItemID,PeriodType,Year,Period",
            conn);
    std::vector<std::string> rows;
    for (; !rs.Eof(); rs.MoveNext()) {
        char amount[64];
        const double data = rs.Fields(4).AsDouble();
        *std::to_chars(amount, amount + sizeof amount - 1, data).ptr = '\0';
        std::string row;
        for (int i = 0; i < 4; ++i) row += std::to_string(rs.Fields(i).AsInt()) + " ";
        rows.push_back(row + amount);
    }
    return rows;
}

// Shows every message box for real over `window` and writes each, drawn over the window, to
// <tests folder>/<prefix>-<k>.png before it presses the scripted button ("是(&Y)", "否(&N)",
// "确定"). For looking at windows with their questions.
class ScreenshotBoxes {
  public:
    ScreenshotBoxes(QWidget* window, QString prefix, std::deque<QString> presses)
        : window_(window), prefix_(std::move(prefix)), presses_(std::move(presses)) {
        previous_ =
            platform::SetMsgAnswerer([this](const std::string& prompt, platform::MsgButtons buttons,
                                            const std::string& title) {
                QTimer::singleShot(50, [this] { grabAndPress(); });
                return platform::ShowStandardMsgBox(prompt, buttons, title);
            });
    }
    ~ScreenshotBoxes() { platform::SetMsgAnswerer(previous_); }
    std::vector<QString> files;

  private:
    void grabAndPress() {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || presses_.empty()) return;
        QImage image = window_->grab().toImage();
        const QPixmap boxImage = box->grab();
        QPainter p(&image);
        p.fillRect(QRect((image.width() - boxImage.width()) / 2 - 1,
                         (image.height() - boxImage.height()) / 2 - 1, boxImage.width() + 2,
                         boxImage.height() + 2),
                   Qt::black);
        p.drawPixmap((image.width() - boxImage.width()) / 2,
                     (image.height() - boxImage.height()) / 2, boxImage);
        p.end();
        files.push_back(QApplication::applicationDirPath() + "/" + prefix_ + "-" +
                        QString::number(files.size() + 1) + ".png");
        image.save(files.back());
        const QString press = presses_.front();
        presses_.pop_front();
        for (QPushButton* b : box->findChildren<QPushButton*>())
            if (b->text() == press) b->click();
    }

    QWidget* window_;
    QString prefix_;
    std::deque<QString> presses_;
    platform::MsgAnswerer previous_;
};

// A shown and active form_base on a fresh database.
class FormBaseFixture : public testing::Test, public gui::GridFormInput<form_base> {
  protected:
    void SetUp() override {
        form = std::make_unique<form_base>();
        form->Show();
        form->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    }

    // Displays a range that the panel accepts (no message expected).
    void display(int type, const char* from, const char* to, int fromPeriod = 0, int toPeriod = 0) {
        EnterRange(form->panel, type, from, to, fromPeriod, toPeriod);
        form->cmdDo->click();
    }

    form_base* target() const override { return form.get(); }
    // Puts texts into rows 1, 2, ... of one column of grid n, as if typed.
    void setColumn(int n, int col, const std::vector<const char*>& texts) {
        for (std::size_t i = 0; i < texts.size(); ++i)
            grid(n)->setTextMatrix(static_cast<int>(i) + 1, col, texts[i]);
    }

    TestDb db;
    std::unique_ptr<form_base> form;
};
