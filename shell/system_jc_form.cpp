#include "shell/system_jc_form.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <cmath>

#include "core/DefaultParameters.h"
#include "platform/storage/Database.h"
#include "platform/FormHelpers.h"
#include "platform/MsgBox.h"
#include "platform/QtText.h"
#include "platform/Runtime.h"
#include "platform/TextBox.h"

using namespace platform;

namespace {
constexpr int kWidth = 11000;
constexpr int kHeight = 6500;
}  // namespace

system_jc_form::system_jc_form(QWidget* parent) : Form("system_jc_form", parent) {
    setCaption("系统设置－基础信息");
    createControls();
}

void system_jc_form::createControls() {
    const int labelLeft = 1200, boxLeft = 2700, row = 700, top = 600;
    auto caption = [&](const char* name, const char* text, int r) {
        MakeLabel(this, name, text, labelLeft, top + r * row + 60, 1500, 300);
    };
    auto star = [&](int left, int r) {
        MakeLabel(this, "Label2", "*", left, top + r * row + 60, 200, 300)
            ->setStyleSheet("color: red;");
    };
    caption("Label1", "公司名称：", 0);
    txtCompName = MakeControl<TextBox>(this, "txtCompName", boxLeft, top, 6000, 360);
    star(boxLeft + 6100, 0);
    caption("Label4", "制表人员：  ", 1);
    txtTableUserName =
        MakeControl<TextBox>(this, "txtTableUserName", boxLeft, top + row, 3000, 360);
    star(boxLeft + 3100, 1);
    caption("Label5", "默认周期：", 2);
    cbSerial = MakeControl<QComboBox>(this, "cbSerial", boxLeft, top + 2 * row, 1500, 360);
    cbSerial->addItems({"年", "半年", "季度", "月"});
    cbSerial->setCurrentIndex(-1);
    star(boxLeft + 1600, 2);
    caption("Label6", "默认年 ：", 3);
    txtYearFrom = MakeControl<TextBox>(this, "txtYearFrom", boxLeft, top + 3 * row, 1200, 360);
    MakeLabel(this, "Label3", "到", boxLeft + 1350, top + 3 * row + 60, 300, 300);
    txtYearTo = MakeControl<TextBox>(this, "txtYearTo", boxLeft + 1800, top + 3 * row, 1200, 360);
    star(boxLeft + 3100, 3);

    auto* hints = MakeControl<QGroupBox>(this, "Frame2", 1200, 3700, 8600, 1300);
    hints->setTitle("提示");
    MakeLabel(hints, "Label7", "1 ‘公司名称’和‘制表人员’信息，在生成报表时会使用到", 300, 400, 8000,
              300);
    MakeLabel(hints, "Label8", "2 ‘默认周期’和‘默认年’设置，是为了减少用户的输入", 300, 800, 8000,
              300);

    Command1 =
        MakeButton(this, "Command1", "确定", 6800, 5400, 1300, 420, [this] { Command1_Click(); });
    cmdClose =
        MakeButton(this, "cmdClose", "关闭", 8400, 5400, 1300, 420, [this] { cmdClose_Click(); });
}

void system_jc_form::Form_Load() {
    keepSize(kWidth, kHeight);
    Connection conn;
    OpenProgramDatabase(conn);
    Recordset rs;
    rs.Open("select a.paramCd, a.paramDesc, a.valueFrom, a.valueTo from defaultParameter a", conn);
    for (; !rs.Eof(); rs.MoveNext()) {
        const std::string key = rs.Fields("paramCd").AsText();
        const QString from = Q(rs.Fields("valueFrom").AsText());
        if (key == "cpyName") {
            txtCompName->setText(from);
        } else if (key == "tableUserName") {
            txtTableUserName->setText(from);
        } else if (key == "serial") {
            cbSerial->setCurrentIndex(SerialListIndex(S(from)));
        } else if (key == "yearFromTo") {
            txtYearFrom->setText(from);
            txtYearTo->setText(Q(rs.Fields("valueTo").AsText()));
        }
    }
}

bool system_jc_form::validate() {
    const QString company = TrimQ(txtCompName->text());
    const QString maker = TrimQ(txtTableUserName->text());
    const std::string from = Trim(S(txtYearFrom->text()));
    const std::string to = Trim(S(txtYearTo->text()));
    const std::vector<Check> checks = {
        {company.isEmpty(), "公司名称必须输入", txtCompName},
        {maker.isEmpty(), "制表人必须输入", txtTableUserName},
        {cbSerial->currentIndex() < 0, "默认周期必须选择", cbSerial},
        // Only years the period panels accept are stored as their defaults.
        {from.empty(), "起始年必须输入", txtYearFrom},
        {CharCount(Q(from)) > 4, "时间年不能大于四位数", txtYearFrom},
        {!IsYearText(from), "起始年必须为数字", txtYearFrom},
        {to.empty(), "结束年必须输入", txtYearTo},
        {CharCount(Q(to)) > 4, "时间年不能大于四位数", txtYearTo},
        {!IsYearText(to), "结束年必须为数字", txtYearTo},
        {[&] { return std::floor(CDbl(from)) > std::floor(CDbl(to)); }, "结束年不能小于起始年",
         txtYearTo},
    };
    return RunChecks(checks, "错误");
}

void system_jc_form::save() {
    const std::string year =
        "update defaultParameter set valueFrom = ?,valueTo = ? where paramCd = ?";
    const std::string value = "update defaultParameter set valueFrom = ? where paramCd = ?";
    Connection conn;
    OpenProgramDatabase(conn);
    Transaction t(conn);
    conn.Execute(value, {S(TrimQ(txtCompName->text())), std::string("cpyName")});
    conn.Execute(value, {S(TrimQ(txtTableUserName->text())), std::string("tableUserName")});
    conn.Execute(value, {std::to_string(cbSerial->currentIndex() + 1), std::string("serial")});
    conn.Execute(year, {Trim(S(txtYearFrom->text())), Trim(S(txtYearTo->text())),
                        std::string("yearFromTo")});
    t.Commit();
}

void system_jc_form::Command1_Click() {
    if (!validate()) return;
    save();
}

void system_jc_form::cmdClose_Click() {
    Unload();
}
