// The objects of the whole run, made in their order: AppPath, the main
// window, the data module (which only builds its connection text), then the
// hidden phone-book import dialog.
#pragma once

namespace Startup {
void createWindows();   // uses the running executable's folder as AppPath
void showMainWindow();  // maximised
void destroyWindows();
} // namespace Startup
