// The memo windows in the shared editor-and-search fixture, and a helper
// that stores a memo straight into the table.
#pragma once

#include "editorsearchenv.h"

#include "memos/unitbeiwl.h"
#include "memos/unitbeiwlzj.h"
#include "ui/xmdbgrid.h"

#include <QDateEdit>
#include <QPushButton>

struct MemoWindows {
    using Editor = TFormbeiwlzj;
    using Search = TFormbeiwl;
    static constexpr RecordKind kind = RecordKind::Memo;
    static Editor *editor() { return Formbeiwlzj; }
    static Search *search() { return Formbeiwl; }
    static QAction *newCommand(TFormmain *main) { return main->N7; }
    static QAction *searchCommand(TFormmain *main) { return main->N8; }
    static Dataset *dataset() { return DM->ADOQbwlb; }
    static void listAll(Search *s)
    {
        s->DateTimePicker1->setDate(QDate(1990, 1, 1));
        s->DateTimePicker2->setDate(QDate(2100, 1, 1));
        s->BitBtn1->click();
    }
};

struct MemoEnv : EditorSearchEnv<MemoWindows> {
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
};
