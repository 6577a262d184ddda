// What the benchmark programs of windows share beyond BenchSupport.h: a window shown and
// painted as the user sees it, and the main that runs them with the program's fonts.
#pragma once

#include <QApplication>
#include <QWidget>
#include <functional>

#include "perf/BenchSupport.h"
#include "platform/Fonts.h"
#include "tests/support/GuiEvents.h"

// Shows the window and runs the event loop until it has been painted whole; a window that is
// not painted spoils the run.
inline void ShowAndPaint(benchmark::State& state, QWidget& window) {
    if (!gui::showAndPaint(window)) state.SkipWithError("the window was not painted");
}

// The main of a window benchmark program: a headless QApplication with the program's font
// substitutions, a database filled by `seed`, then the benchmarks. Each benchmark counts its
// own boxes (BoxCounter); a box outside them is printed.
inline int RunWindowBenchmarks(int argc, char** argv, const std::function<void()>& seed) {
    static int strayBoxes = 0;
    return RunBenchmarks<QApplication>(argc, argv,
                                       CountingAnswerer(platform::MsgResult::OK, strayBoxes), [&] {
                                           platform::InstallFontSubstitutions();
                                           seed();
                                       });
}
