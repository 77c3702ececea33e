// The objects of the whole run, made in their order: AppPath, the main
// window, the data module (which only builds its connection text), then the
// MD5 tool and the phone-book import dialog, hidden. The hidden two are made
// once the main window's first frame is out, so that showing the window
// never waits for windows nobody sees yet.
#pragma once

namespace Startup {
void createWindows();   // uses the running executable's folder as AppPath
// Makes the MD5 tool and the import dialog, hidden, unless they are made.
void createHiddenWindows();
// What the program does where a database problem is first met: the offer
// to restore a damaged database, the offer to convert an old Access one.
void installDatabaseOffers();
void showMainWindow();  // maximised
void destroyWindows();
} // namespace Startup
