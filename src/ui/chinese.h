// The program speaks Chinese whatever the user's locale: Qt's own texts
// (standard buttons, file dialogs, calendar pop-ups, the context menus of
// edit boxes) come from Qt's Chinese translations, and the default locale
// is Chinese (China) for the names of months and days.
#pragma once

// Loads the translations into the running application; true when Qt's own
// Chinese texts were found. Safe to call more than once.
bool installChineseTranslations();
