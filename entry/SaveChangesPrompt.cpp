#include "entry/SaveChangesPrompt.h"

#include <string>

#include "platform/MsgBox.h"

bool PromptSaveChanges(int grids, const std::function<const char*(int)>& captionOf,
                       const std::function<bool(int)>& changed,
                       const std::function<bool(int)>& save) {
    for (int n = 1; n <= grids; ++n) {
        if (!changed(n)) continue;
        const std::string question = std::string(captionOf(n)) + "中数据已经改动，是否保存？";
        if (platform::MsgBox(question, platform::MsgButtons::YesNo, "提示") !=
            platform::MsgResult::Yes)
            continue;
        if (!save(n)) return false;
    }
    return true;
}
