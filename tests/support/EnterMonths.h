// Fills a window's period inputs with a range of months, for the tests and the benchmark
// programs alike.
#pragma once

// Puts months from/to (1-12) of the two years into a window's period inputs (a PeriodRangePanel).
template <typename Panel>
void EnterMonths(Panel& panel, const char* fromYear, const char* toYear, int fromMonth,
                 int toMonth) {
    panel.cbSerial->setListIndex(3);
    panel.txtFromYear->setText(fromYear);
    panel.txtToYear->setText(toYear);
    panel.cbFromMonth->setListIndex(fromMonth - 1);
    panel.cbToMonth->setListIndex(toMonth - 1);
}
