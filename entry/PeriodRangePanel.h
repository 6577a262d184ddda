// The period inputs every window uses to take a period type and a range of periods: the type
// list cbSerial, the year boxes and the period lists, their defaults from defaultParameter, the
// type switch and the check chain. A window creates one panel with its own configuration; the
// panel puts its controls, under their fixed names, on the window.
#pragma once

#include <QObject>
#include <QRect>
#include <cstdint>
#include <optional>
#include <string>

#include "core/CCalendar.h"
#include "platform/ComboList.h"
#include "platform/storage/Database.h"
#include "platform/TextBox.h"

// A period range as the windows keep it; both periods are 1 for years.
struct PeriodRange {
    std::int16_t PeriodType = 0;
    std::int16_t fromYear = 0;
    std::int16_t toYear = 0;
    std::int16_t fromPeriod = 0;
    std::int16_t toPeriod = 0;
    bool operator==(const PeriodRange&) const = default;
};

// A place on a window's input row, whose controls all stand at the top 240 (twips).
constexpr QRect OnInputRow(int left, int width, int height) {
    return QRect(left, 240, width, height);
}

class PeriodRangePanel : public QObject {
    Q_OBJECT
  public:
    enum class Mode { Range, Single };

    struct Config {
        int periodLimit = 12;  // largest accepted period count (range mode)
        std::string title;     // title of the panel's messages; empty = the application's
        Mode mode = Mode::Range;

        static Config Range(int periodLimit, std::string title = {}) {
            return {periodLimit, std::move(title), Mode::Range};
        }
        static Config Single(std::string title = {}) { return {0, std::move(title), Mode::Single}; }
    };

    // Places of the controls on the window, in twips. The start-period lists share one place
    // with cbTemp01, the end-period lists another with cbTemp02. Single mode ignores the "to"
    // places.
    struct Layout {
        QRect serial;
        QRect fromYear;
        QRect fromPeriod;
        QRect toYear;
        QRect toPeriod;
    };

    PeriodRangePanel(QWidget* window, const Config& config, const Layout& layout);

    // Reads the defaults (serial and yearFromTo of defaultParameter) on the window's
    // connection, fills the year boxes, then selects the type, which runs the type switch.
    // A stored type that is not a number from 1 to 4 leaves the type unselected; without a
    // serial row the type is 年.
    void FillDefaults(platform::Connection& conn);
    // The same on a connection of its own to the program's database.
    void FillDefaults();

    // Shows the inputs of the selected type (cbSerial's Click).
    void cbSerial_Click();

    // The check chain. Every refusal has shown its message and moved the focus where the
    // check says; the result is then empty. On acceptance `calendar` holds the range
    // (range mode: Init and SetCalendar done, GetAmount within the limit). Single mode leaves
    // the calendar alone and returns the one period as from and to.
    // `fields`, when given, takes each value as soon as its own checks pass (the type, the
    // start year, the end year, both periods), for windows that keep a refused request's
    // earlier fields; windows that adopt a range only when it is accepted pass none.
    std::optional<PeriodRange> Check(CCalendar& calendar, PeriodRange* fields = nullptr);

    const Config& config() const { return config_; }

    // The controls; in single mode the end-side ones are null.
    platform::ComboList* cbSerial = nullptr;
    platform::TextBox* txtFromYear = nullptr;
    platform::TextBox* txtToYear = nullptr;
    platform::ComboList* cbTemp01 = nullptr;
    platform::ComboList* cbTemp02 = nullptr;
    platform::ComboList* cbFromHalfYear = nullptr;
    platform::ComboList* cbToHalfYear = nullptr;
    platform::ComboList* cbFromQuartor = nullptr;
    platform::ComboList* cbToQuartor = nullptr;
    platform::ComboList* cbFromMonth = nullptr;
    platform::ComboList* cbToMonth = nullptr;

  private:
    // The start and end lists of a period type (2-4); null pair for years.
    std::pair<platform::ComboList*, platform::ComboList*> listsOf(int periodType) const;
    // Shows the message with the configured title and moves the focus (none: stays).
    std::nullopt_t refuse(const std::string& message, QWidget* focus) const;
    // Steps for one year box; the value on success.
    std::optional<std::int16_t> checkYear(platform::TextBox* box, const char* emptyMessage) const;

    Config config_;
};
