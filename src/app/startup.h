// The objects of the whole run, made in their order: AppPath, the main
// window, then the data module (which only builds its connection text).
#pragma once

namespace Startup {
void createWindows();   // uses the running executable's folder as AppPath
void showMainWindow();  // maximised
void destroyWindows();
} // namespace Startup
