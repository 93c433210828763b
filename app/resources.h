// The program's pictures: the application icon and the toolbar images.
#pragma once

namespace basSubMain {
// Makes the compiled-in pictures available under ":/icons/"; safe to call repeatedly.
void initResources();
} // namespace basSubMain
