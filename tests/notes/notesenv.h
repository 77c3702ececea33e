// Shared set-up of the note window tests: a fresh database, the main window
// as Formmain (its timers held), and helpers for note rows.
#pragma once

#include "windowenv.h"

#include "app/unitmain.h"
#include "data/unitdm.h"
#include "notes/unitjsbgl.h"
#include "notes/unitjszj.h"

#include <QCoreApplication>
#include <QDateEdit>
#include <QPushButton>
#include <QTimer>
#include <QTest>
#include <QVariantMap>

struct NotesEnv : WindowEnv {
    void setCounter(int value) { WindowEnv::setCounter(1, value); }
    int counter() { return WindowEnv::counter(1); }

    // Stores a note straight into the table; returns its zdbh. A null
    // QVariant stores null.
    int addNote(const QString &id, const QDate &date, const QVariant &category, const QVariant &content,
                const QString &subject = QStringLiteral("主题"), const QString &weather = QString(),
                const QString &remark = QString(), const QString &time = QStringLiteral("09:30:15"))
    {
        return int(db.insert(QStringLiteral("insert into jsbnrb(jsid,jsrq,jssj,jsfl,jsbh,jsbt,jsnr,jstq,jsbz) "
                                            "values (?,?,?,?,?,?,?,?,?)"),
                             {id, date.toString(QStringLiteral("yyyy-MM-dd")) + QStringLiteral(" 00:00:00"),
                              QStringLiteral("1899-12-30 ") + time, category, QString(QLatin1String("")), subject,
                              content, weather.isNull() ? QString(QLatin1String("")) : weather,
                              remark.isNull() ? QString(QLatin1String("")) : remark}));
    }

    QList<QVariantMap> notes(const QString &where = QString()) { return db.rows(QStringLiteral("jsbnrb"), where); }
    QVariantMap note(const QString &id)
    {
        const auto all = notes(QStringLiteral("jsid='%1'").arg(id));
        return all.isEmpty() ? QVariantMap() : all.first();
    }

    TFormjszj *openEditor()
    {
        main->N2->trigger();
        return Formjszj;
    }
    TFormjsbgl *openSearch()
    {
        main->N3->trigger();
        return Formjsbgl;
    }

    // Lists every note in the search window and opens the one with this
    // zdbh in the editor, in edit mode.
    TFormjszj *editNote(int zdbh)
    {
        TFormjsbgl *s = Formjsbgl ? Formjsbgl : openSearch();
        s->DateTimePicker1->setDate(QDate(1990, 1, 1));
        s->DateTimePicker2->setDate(QDate(2100, 1, 1));
        s->BitBtn1->click();
        Dataset *d = DM->ADOQjsb;
        for (int row = 0; row < d->rowCount(); ++row) {
            if (d->value(row, d->columnIndex(QStringLiteral("zdbh"))).toInt() == zdbh) {
                d->setCurrentRow(row);
                s->XMDBGrid1DblClick();
                return Formjszj;
            }
        }
        return nullptr;
    }
};

// The named controls in the order the Tab key visits them, starting at
// `first` (the inner parts of a control are not counted).
inline QStringList tabOrderFrom(QWidget *first, const QStringList &names)
{
    QStringList seen;
    QWidget *w = first;
    for (int i = 0; i < 500 && seen.size() < names.size(); ++i, w = w->nextInFocusChain()) {
        const QString name = w->objectName();
        if (names.contains(name) && !seen.contains(name))
            seen << name;
    }
    return seen;
}

// Types text into a widget one key at a time, Chinese included.
inline void typeText(QWidget *w, const QString &text)
{
    for (const QChar c : text)
        QTest::sendKeyEvent(QTest::Click, w, Qt::Key(c.toUpper().unicode()), QString(c), Qt::NoModifier);
}

inline QString dayText(const QDate &d)
{
    return d.toString(QStringLiteral("yyyy-MM-dd")) + QStringLiteral(" 00:00:00");
}
