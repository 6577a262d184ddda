#include "entry/PeriodRangePanel.h"

#include <array>

#include "core/DefaultParameters.h"
#include "platform/Form.h"
#include "platform/MsgBox.h"
#include "platform/Runtime.h"

using platform::ComboList;
using platform::MsgBox;
using platform::MsgButtons;
using platform::TextBox;

namespace {

const std::array<const char*, 4> kTypes{"年", "半年", "季度", "月"};
const std::array<const char*, 2> kHalves{"上半年", "下半年"};
const std::array<const char*, 4> kQuarters{"第一季度", "第二季度", "第三季度", "第四季度"};
const std::array<const char*, 12> kMonths{"一月", "二月", "三月", "四月", "五月",   "六月",
                                          "七月", "八月", "九月", "十月", "十一月", "十二月"};

template <typename T>
T* place(QWidget* window, const char* name, const QRect& r) {
    return platform::MakeControl<T>(window, name, r.x(), r.y(), r.width(), r.height());
}

template <std::size_t N>
ComboList* list(QWidget* window, const char* name, const QRect& r,
                const std::array<const char*, N>& items) {
    ComboList* c = place<ComboList>(window, name, r);
    for (const char* item : items) c->AddItem(QString::fromUtf8(item));
    return c;
}

void showOnly(ComboList* shown, std::initializer_list<ComboList*> all) {
    for (ComboList* c : all)
        if (c) c->setVisible(c == shown);
}

}  // namespace

PeriodRangePanel::PeriodRangePanel(QWidget* window, const Config& config, const Layout& layout)
    : QObject(window), config_(config) {
    const bool range = config.mode == Mode::Range;
    cbSerial = list(window, "cbSerial", layout.serial, kTypes);
    txtFromYear = place<TextBox>(window, "txtFromYear", layout.fromYear);
    cbTemp01 = place<ComboList>(window, "cbTemp01", layout.fromPeriod);
    cbFromHalfYear = list(window, "cbFromHalfYear", layout.fromPeriod, kHalves);
    cbFromQuartor = list(window, "cbFromQuartor", layout.fromPeriod, kQuarters);
    cbFromMonth = list(window, "cbFromMonth", layout.fromPeriod, kMonths);
    if (range) {
        txtToYear = place<TextBox>(window, "txtToYear", layout.toYear);
        cbTemp02 = place<ComboList>(window, "cbTemp02", layout.toPeriod);
        cbToHalfYear = list(window, "cbToHalfYear", layout.toPeriod, kHalves);
        cbToQuartor = list(window, "cbToQuartor", layout.toPeriod, kQuarters);
        cbToMonth = list(window, "cbToMonth", layout.toPeriod, kMonths);
    }
    // The placeholders hold nothing to choose.
    cbTemp01->setEnabled(false);
    if (cbTemp02) cbTemp02->setEnabled(false);
    connect(cbSerial, &ComboList::Click, this, &PeriodRangePanel::cbSerial_Click);
    cbSerial_Click();
}

void PeriodRangePanel::FillDefaults(platform::Connection& conn) {
    // Without a serial row the type stays at its first position, 年.
    std::string serial = "1";
    {
        platform::Recordset rs;
        rs.Open("select a.valueFrom from defaultParameter a where a.paramCd = 'serial'", conn);
        for (; !rs.Eof(); rs.MoveNext()) serial = platform::Trim(rs.Fields(0).AsText());
    }
    std::string from, to;
    {
        platform::Recordset rs;
        rs.Open(
            "select a.valueFrom,a.valueTo from defaultParameter a where a.paramCd = 'yearFromTo'",
            conn);
        for (; !rs.Eof(); rs.MoveNext()) {
            from = rs.Fields(0).AsText();
            to = rs.Fields(1).AsText();
        }
    }
    txtFromYear->setText(QString::fromStdString(from));
    if (txtToYear) txtToYear->setText(QString::fromStdString(to));
    // Unless the stored type is one of 1 to 4, nothing is selected and the check asks for one.
    cbSerial->setListIndex(SerialListIndex(serial));
}

void PeriodRangePanel::FillDefaults() {
    platform::Connection conn;
    platform::OpenProgramDatabase(conn);
    FillDefaults(conn);
}

std::pair<ComboList*, ComboList*> PeriodRangePanel::listsOf(int periodType) const {
    switch (periodType) {
        case 2:
            return {cbFromHalfYear, cbToHalfYear};
        case 3:
            return {cbFromQuartor, cbToQuartor};
        case 4:
            return {cbFromMonth, cbToMonth};
        default:
            return {nullptr, nullptr};
    }
}

void PeriodRangePanel::cbSerial_Click() {
    txtFromYear->setVisible(true);
    if (txtToYear) txtToYear->setVisible(true);
    const auto [from, to] = listsOf(cbSerial->ListIndex() + 1);
    showOnly(from ? from : cbTemp01, {cbTemp01, cbFromHalfYear, cbFromQuartor, cbFromMonth});
    showOnly(to ? to : cbTemp02, {cbTemp02, cbToHalfYear, cbToQuartor, cbToMonth});
    // A type change starts its lists at the first period.
    if (from) from->setCurrentIndex(0);
    if (to) to->setCurrentIndex(0);
}

std::nullopt_t PeriodRangePanel::refuse(const std::string& message, QWidget* focus) const {
    MsgBox(message, MsgButtons::OK, config_.title);
    if (focus) focus->setFocus();
    return std::nullopt;
}

std::optional<std::int16_t> PeriodRangePanel::checkYear(TextBox* box,
                                                        const char* emptyMessage) const {
    const std::string s = platform::Trim(box->text().toStdString());
    if (s.empty()) return refuse(emptyMessage, box);
    if (QString::fromStdString(s).size() > 4) return refuse("时间年不能大于四位数", box);
    // With at most four characters a year always fits a 16-bit integer.
    if (!platform::IsYearText(s)) return refuse("时间年必须为数字", box);
    return static_cast<std::int16_t>(std::stoi(s));
}

std::optional<PeriodRange> PeriodRangePanel::Check(CCalendar& calendar, PeriodRange* fields) {
    PeriodRange local;
    PeriodRange& r = fields ? *fields : local;
    if (cbSerial->ListIndex() < 0) return refuse("请选择周期", cbSerial);
    r.PeriodType = static_cast<std::int16_t>(cbSerial->ListIndex() + 1);

    const auto from = checkYear(txtFromYear, "请输入时间年");
    if (!from) return std::nullopt;
    r.fromYear = *from;
    const bool range = config_.mode == Mode::Range;
    if (range) {
        const auto to = checkYear(txtToYear, "请选择时间年");
        if (!to) return std::nullopt;
        r.toYear = *to;
        if (r.toYear < r.fromYear) return refuse("起始年大于截至年", txtFromYear);
    } else {
        r.toYear = r.fromYear;
    }

    static const std::array<std::pair<const char*, const char*>, 3> kPeriodMessages{{
        {"请选择起始半年", "请选择截至半年"},
        {"请选择起始季度", "请选择截至季度"},
        {"请选择起始月", "请选择截至月"},
    }};
    int fromPeriod = 1, toPeriod = 1;
    if (r.PeriodType > 1) {
        const auto [fromList, toList] = listsOf(r.PeriodType);
        const auto& messages = kPeriodMessages[r.PeriodType - 2];
        if (fromList->ListIndex() < 0) return refuse(messages.first, fromList);
        fromPeriod = toPeriod = fromList->ListIndex() + 1;
        if (range) {
            if (toList->ListIndex() < 0) return refuse(messages.second, toList);
            toPeriod = toList->ListIndex() + 1;
        }
    }
    r.fromPeriod = static_cast<std::int16_t>(fromPeriod);
    r.toPeriod = static_cast<std::int16_t>(toPeriod);
    if (!range) return r;

    calendar.Init();
    if (!calendar.SetCalendar(r.PeriodType, r.fromYear, r.toYear, r.fromPeriod, r.toPeriod))
        return std::nullopt;
    if (calendar.GetAmount() > config_.periodLimit)
        return refuse("选择周期不能大于" + std::to_string(config_.periodLimit) + "，否则数据量太大",
                      nullptr);
    return r;
}
