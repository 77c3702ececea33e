// The offer to restore a damaged database from its newest sound backup,
// made where the damage is first met: the action guard hands it every
// action that ended because the database file is damaged.
#pragma once

class DbError;

namespace Restore {
// Installs the offer into the action guard (at start); a later damage of
// the database is offered anew.
void install();
// The offer for an error that found the database damaged. It names the
// damage and the newest backup in databak that passes SQLite's integrity
// check; OK moves the damaged file aside and puts a copy of that backup in
// its place, Cancel changes nothing; without a sound backup the user is
// told so and nothing is changed. It is made once until a restore has
// taken place; a later error of the same damage shows the error box.
// Returns true when it has told the user (always, unless the error is not
// about the database file or the offer was made already).
bool offer(const DbError &error);
} // namespace Restore
