#pragma once

// Whether a compositing manager runs, so translucent windows really are translucent.
namespace Compositor {
bool isActive();
}
