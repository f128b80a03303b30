#pragma once
// X-only pieces of the view's configuration choice that tests reach.
#include "platform/FramebufferChoice.h"

#include <functional>
#include <vector>

typedef struct _XDisplay Display;

// A double-buffered true-colour window configuration with 8 bits a colour channel,
// as the driver offers it.
struct OfferedFramebuffer {
    int id = 0;  // GLX_FBCONFIG_ID
    unsigned long visual = 0;
    FramebufferTraits traits;
};

// The configurations the view chooses among, in the driver's order.
std::vector<OfferedFramebuffer> OfferedFramebuffers(Display* dpy);

// Makes the next PrepareNativeGlConfig() act as if the driver did not offer the
// configurations `hidden` holds for; null offers all again.
void HideFramebuffersForTesting(std::function<bool(const FramebufferTraits&)> hidden);
