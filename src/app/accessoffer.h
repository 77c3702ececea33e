// The offer to bring over a notebook of the program's older Windows version:
// when the database turns out to be an Access file, the user is asked
// whether to convert it; the conversion runs with a progress dialog and the
// program goes on with the new database, the old file kept beside it.
#pragma once

#include "ui/guard.h"

class DbError;

namespace AccessOffer {
// Installs the offer into the action guard (at start).
void install();
// The offer for an error that found an Access file in the database's
// place. It is made once a run; Cancel leaves every file as it is.
Conversion offer(const DbError &error);
} // namespace AccessOffer
