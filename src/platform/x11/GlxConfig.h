#pragma once
// X-only pieces of the view's configuration choice that tests reach.
#include "platform/FramebufferChoice.h"

#include <functional>

// Makes the next PrepareNativeGlConfig() act as if the driver did not offer the
// configurations `hidden` holds for; null offers all again.
void HideFramebuffersForTesting(std::function<bool(const FramebufferTraits&)> hidden);
