// The explanation label of the analysis windows: a fixed width, a height that grows with its
// word-wrapped text, bold navy letters of 13.5 points.
#pragma once

#include "platform/Label.h"

platform::Label* MakeInfoLabel(QWidget* frame, int left, int top, int width, int height);
