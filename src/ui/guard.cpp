#include "ui/guard.h"

#include "data/database.h"
#include "formats/workbook.h"
#include "ui/messages.h"

static DamageHandler g_damageHandler;
static ConversionHandler g_conversionHandler;

void setConversionHandler(ConversionHandler handler)
{
    g_conversionHandler = std::move(handler);
}

void setDamageHandler(DamageHandler handler)
{
    g_damageHandler = std::move(handler);
}

bool runGuarded(const std::function<void()> &action)
{
    try {
        try {
            action();
            return true;
        } catch (const DbError &e) {
            if (!e.accessFile() || !g_conversionHandler)
                throw;
            switch (g_conversionHandler(e)) {
            case Conversion::Declined:
                throw;
            case Conversion::Failed:
                return false;
            case Conversion::Done:
                break;
            }
        }
        // Converted: the action runs again on the new database.
        action();
        return true;
    } catch (const DbError &e) {
        // Every guarded action passes here, so the damage is dealt with
        // where it is first met, whatever the action was.
        if (e.damaged() && g_damageHandler && g_damageHandler(e))
            return false;
        Messages::error(e.text(), e.details());
        return false;
    } catch (const Workbook::Error &e) {
        // A workbook chosen for an import that cannot be read.
        Messages::error(e.text());
        return false;
    }
}
