// The question a window with several editable grids asks before it closes or shows other data:
// each grid changed since its last save is offered for saving in turn.
#pragma once

#include <functional>

// For grids 1 to `grids` that `changed`, asks "<caption>中数据已经改动，是否保存？" (Yes/No,
// "提示") and runs `save` on Yes. A failed save stops and gives false, so the caller keeps its
// edits on the screen; true when every answer was dealt with.
bool PromptSaveChanges(int grids, const std::function<const char*(int)>& captionOf,
                       const std::function<bool(int)>& changed,
                       const std::function<bool(int)>& save);
