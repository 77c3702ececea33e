#include "ui/guard.h"

#include "data/database.h"
#include "ui/messages.h"

bool runGuarded(const std::function<void()> &action)
{
    try {
        action();
        return true;
    } catch (const DbError &e) {
        Messages::error(e.text());
        return false;
    }
}
