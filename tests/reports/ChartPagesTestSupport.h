// Driving the chart-page windows on a temporary database: a loaded window, the charts shown,
// and what the charts look like at the moment the window is printed.
#pragma once

#include <gtest/gtest.h>

#include <QFrame>
#include <QPushButton>
#include <memory>

#include "platform/Fonts.h"
#include "reports/ChartPages.h"
#include "tests/entry/EntryTestSupport.h"

template <typename Window>
class ChartPagesFixture : public testing::Test {
  protected:
    ChartPagesFixture() { platform::InstallFontSubstitutions(); }

    void load() {
        form = std::make_unique<Window>();
        form->Load();
    }
    // Chart numbers shown now.
    std::vector<int> shown() const {
        std::vector<int> n;
        for (int k = 1; form->getChart(k); ++k)
            if (form->getChart(k)->Visible()) n.push_back(k);
        return n;
    }
    // Whether "<<", ">>" and printing are enabled.
    std::vector<bool> buttons() const {
        return {form->cmd_Perious->isEnabled(), form->cmd_Next->isEnabled(),
                form->doPrint->isEnabled()};
    }
    struct Place {
        int top, height;
        bool operator==(const Place&) const = default;
    };
    std::vector<Place> places() const {
        std::vector<Place> p;
        for (int k = 1; form->getChart(k); ++k)
            p.push_back({form->getChart(k)->Top(), form->getChart(k)->Height()});
        return p;
    }
    // Prints the current page, keeping the charts' places and Frame1's visibility as they were
    // while the window was printed.
    std::vector<Place> printedPlaces(bool* frameShown = nullptr) {
        std::vector<Place> atPrint;
        form->printWindow = [&](QWidget*) {
            atPrint = places();
            if (frameShown) *frameShown = form->Frame1->isVisibleTo(form.get());
        };
        form->doPrint->click();
        return atPrint;
    }

    TestDb db;
    std::unique_ptr<Window> form;
};
