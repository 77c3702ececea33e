// The note windows in the shared editor-and-search fixture, and a helper
// that stores a note straight into the table.
#pragma once

#include "editorsearchenv.h"

#include "notes/unitjsbgl.h"
#include "notes/unitjszj.h"

#include <QDateEdit>
#include <QPushButton>

struct NoteWindows {
    using Editor = TFormjszj;
    using Search = TFormjsbgl;
    static constexpr RecordKind kind = RecordKind::Note;
    static Editor *editor() { return Formjszj; }
    static Search *search() { return Formjsbgl; }
    static QAction *newCommand(TFormmain *main) { return main->N2; }
    static QAction *searchCommand(TFormmain *main) { return main->N3; }
    static Dataset *dataset() { return DM->ADOQjsb; }
    static void listAll(Search *s)
    {
        s->DateTimePicker1->setDate(QDate(1990, 1, 1));
        s->DateTimePicker2->setDate(QDate(2100, 1, 1));
        s->BitBtn1->click();
    }
};

struct NotesEnv : EditorSearchEnv<NoteWindows> {
    // Stores a note straight into the table; returns its zdbh. A null
    // QVariant stores null.
    int addNote(const QString &id, const QDate &date, const QVariant &category, const QVariant &content,
                const QString &subject = QStringLiteral("主题"), const QString &weather = QString(),
                const QString &remark = QString(), const QString &time = QStringLiteral("09:30:15"))
    {
        return int(db.insert(QStringLiteral("insert into jsbnrb(jsid,jsrq,jssj,jsfl,jsbh,jsbt,jsnr,jstq,jsbz) "
                                            "values (?,?,?,?,?,?,?,?,?)"),
                             {id, dayText(date), QStringLiteral("1899-12-30 ") + time, category,
                              QString(QLatin1String("")), subject, content,
                              weather.isNull() ? QString(QLatin1String("")) : weather,
                              remark.isNull() ? QString(QLatin1String("")) : remark}));
    }
};
