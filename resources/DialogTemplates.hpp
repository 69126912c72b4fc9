#pragma once
#include "platform/DialogTemplate.hpp"

namespace korvane::resources {

// The dialog templates; null for an unknown id.
const platform::DialogTemplate* findDialogTemplate(int id);

const platform::DialogTemplate& mainDialogTemplate();         // 102
const platform::DialogTemplate& aboutDialogTemplate();        // 100
const platform::DialogTemplate& whiteBalanceDialogTemplate(); // 167
const platform::DialogTemplate& noiseDialogTemplate();        // 169

} // namespace korvane::resources
