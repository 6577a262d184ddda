// The page a report printed on the recording printer, one line per operation, so tests can
// compare positions and texts as plain strings:
//   "T x y <points> B|N <text>"   text at (x, y) in that size, bold or not
//   "L x1 y1 x2 y2"               a rule
//   "END", "KILL"                 the document ended or abandoned
#pragma once

#include <QString>
#include <algorithm>
#include <string>
#include <vector>

#include "platform/Printer.h"

inline std::vector<std::string> Page(const platform::RecordingPrinter& printer) {
    std::vector<std::string> lines;
    for (const auto& op : printer.ops()) {
        using Op = platform::RecordingPrinter::Op;
        switch (op.kind) {
            case Op::Text:
                lines.push_back("T " + std::to_string(op.x1) + " " + std::to_string(op.y1) + " " +
                                QString::number(op.fontSize).toStdString() +
                                (op.bold ? " B " : " N ") + op.text.toStdString());
                break;
            case Op::Line:
                lines.push_back("L " + std::to_string(op.x1) + " " + std::to_string(op.y1) + " " +
                                std::to_string(op.x2) + " " + std::to_string(op.y2));
                break;
            case Op::EndDoc:
                lines.push_back("END");
                break;
            case Op::KillDoc:
                lines.push_back("KILL");
                break;
            default:
                lines.push_back("?");
        }
    }
    return lines;
}

inline bool Has(const std::vector<std::string>& page, const std::string& line) {
    return std::find(page.begin(), page.end(), line) != page.end();
}

// The lines that start with `prefix`.
inline std::vector<std::string> Starting(const std::vector<std::string>& page,
                                         const std::string& prefix) {
    std::vector<std::string> out;
    for (const std::string& l : page)
        if (l.rfind(prefix, 0) == 0) out.push_back(l);
    return out;
}
