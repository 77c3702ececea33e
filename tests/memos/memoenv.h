// Shared set-up of the memo window tests: a fresh database, the main window
// as Formmain (its reminder timer held), and small helpers for memo rows.
#pragma once

#include "windowenv.h"

#include "app/unitmain.h"
#include "data/unitdm.h"
#include "memos/unitbeiwl.h"
#include "memos/unitbeiwlzj.h"
#include "ui/xmdbgrid.h"

#include <QCoreApplication>
#include <QDateEdit>
#include <QPushButton>
#include <QTimer>
#include <QVariantMap>

struct MemoEnv : WindowEnv {
    void setCounter(int value) { WindowEnv::setCounter(2, value); }
    int counter() { return WindowEnv::counter(2); }

    // Stores a memo straight into the table; returns its zdbh. Dates are
    // "yyyy-MM-dd" texts or empty for null; sftx is "1", "0" or "" (null).
    int addMemo(const QString &id, const QString &date, const QString &subject, const QString &content,
                const QString &sftx = QString(), const QString &txqrq = QString(),
                const QString &txzrq = QString(), const QString &category = QStringLiteral("工作"))
    {
        const auto day = [](const QString &d) {
            return d.isEmpty() ? QVariant() : QVariant(d + QStringLiteral(" 00:00:00"));
        };
        return int(db.insert(QStringLiteral("insert into bwlnrb(bwlid,bwlrq,bwlsj,bwlfl,bwlzt,bwlnr,sftx,txqrq,txzrq) "
                                            "values (?,?,?,?,?,?,?,?,?)"),
                             {id, day(date), QStringLiteral("1899-12-30 08:30:15"), category, subject, content,
                              sftx.isEmpty() ? QVariant() : QVariant(sftx.toInt()), day(txqrq), day(txzrq)}));
    }

    // Every stored column of the memos with this identifier, in zdbh order.
    QList<QVariantMap> memos(const QString &where = QString()) { return db.rows(QStringLiteral("bwlnrb"), where); }
    QVariantMap memo(const QString &id)
    {
        const auto all = memos(QStringLiteral("bwlid='%1'").arg(id));
        return all.isEmpty() ? QVariantMap() : all.first();
    }

    TFormbeiwlzj *openEditor()
    {
        main->N7->trigger();
        return Formbeiwlzj;
    }
    TFormbeiwl *openSearch()
    {
        main->N8->trigger();
        return Formbeiwl;
    }

    // Opens the search window, lists every memo and opens the one with
    // this zdbh in the editor, in edit mode.
    TFormbeiwlzj *editMemo(int zdbh)
    {
        TFormbeiwl *s = Formbeiwl ? Formbeiwl : openSearch();
        s->DateTimePicker1->setDate(QDate(1990, 1, 1));
        s->DateTimePicker2->setDate(QDate(2100, 1, 1));
        s->BitBtn1->click();
        Dataset *d = DM->ADOQbwlb;
        for (int row = 0; row < d->rowCount(); ++row) {
            if (d->value(row, d->columnIndex(QStringLiteral("zdbh"))).toInt() == zdbh) {
                d->setCurrentRow(row);
                s->XMDBGrid1DblClick();
                return Formbeiwlzj;
            }
        }
        return nullptr;
    }
};

inline QString dayText(const QDate &d)
{
    return d.toString(QStringLiteral("yyyy-MM-dd")) + QStringLiteral(" 00:00:00");
}
