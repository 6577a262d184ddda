// The explanation texts of the analysis views: one per indicator of each capability group (in
// ItemID order, the order of the grid rows), one summary per group and the explanation of the
// DuPont analysis. Each text is one line; blanks separate its parts in the word-wrapping label
// that shows it. Every call returns a fresh copy.
#pragma once

#include <QString>
#include <vector>

std::vector<QString> GetProfitHelpTexts();      // 6 entries, group 1
std::vector<QString> GetOperationHelpTexts();   // 9 entries, group 2
std::vector<QString> GetDevelopHelpTexts();     // 8 entries, group 3
std::vector<QString> GetContributeHelpTexts();  // 8 entries, group 4

QString GetProfitSummary();
QString GetOperationSummary();
QString GetDevelopSummary();
QString GetContributeSummary();

QString GetDupontText();

// By capability group 1-4; an empty list or text for any other group.
std::vector<QString> GetHelpTexts(int category);
QString GetSummary(int category);
// The explanation of one indicator by its ItemID (1001-1006, 2001-2009, 3001-3008,
// 4001-4008); empty for any other ID.
QString GetIndicatorHelpText(int itemId);
