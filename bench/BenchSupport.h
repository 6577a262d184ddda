// What the window benchmark programs share beyond their program folder: monthly base data,
// month ranges in the period inputs and the program's main.
#pragma once

#include <benchmark/benchmark.h>

#include <QApplication>
#include <clocale>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/BenchFolder.h"
#include "entry/PeriodRangePanel.h"
#include "platform/Database.h"
#include "platform/MsgBox.h"

// Stores amount(item, year, month) for every catalogue item and every month of `years` years
// from firstYear, in one transaction.
template <typename Amount>
void SeedMonths(platform::Connection& conn, int firstYear, int years, Amount amount) {
    std::vector<std::int64_t> items;
    {
        platform::Recordset rs;
        rs.Open("select ItemId from baseItem order by ItemId", conn);
        for (; !rs.Eof(); rs.MoveNext()) items.push_back(rs.Fields(0).AsInt());
    }
    platform::Transaction transaction(conn);
    for (int y = firstYear; y < firstYear + years; ++y)
        for (int m = 1; m <= 12; ++m)
            for (std::int64_t item : items)
                conn.Execute(
                    "insert into baseData(ItemID,PeriodType,Year,Period,Data) values(?,4,?,?,?)",
                    {item, std::int64_t(y), std::int64_t(m), amount(item, y, m)});
    transaction.Commit();
}

// Puts months from/to (1-12) of the two years into a window's period inputs.
inline void EnterMonths(PeriodRangePanel& panel, const char* fromYear, const char* toYear,
                        int fromMonth, int toMonth) {
    panel.cbSerial->setListIndex(3);
    panel.txtFromYear->setText(fromYear);
    panel.txtToYear->setText(toYear);
    panel.cbFromMonth->setListIndex(fromMonth - 1);
    panel.cbToMonth->setListIndex(toMonth - 1);
}

// The main of a window benchmark program: headless Qt in the C locale, every message box
// answered by `answer`, a fresh program folder filled by `seed`, then the benchmarks.
template <typename Seed>
int RunWindowBenchmarks(int argc, char** argv, platform::MsgAnswerer answer, Seed seed) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    std::setlocale(LC_ALL, "C");
    benchmark::Initialize(&argc, argv);
    platform::SetMsgAnswerer(std::move(answer));
    BenchFolder folder;
    seed();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
