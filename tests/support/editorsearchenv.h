// The editor-and-search fixture shared by the note, memo and contact window
// tests: a fresh database and the main window (windowenv.h), with the
// subsystem's editor, search window and stored rows reached the same way.
// A subsystem is described by a traits struct:
//
//   struct NoteWindows {
//       using Editor = TFormjszj;  using Search = TFormjsbgl;
//       static constexpr RecordKind kind = RecordKind::Note;
//       static Editor *editor();  static Search *search();     // the global references
//       static QAction *newCommand(TFormmain *);  static QAction *searchCommand(TFormmain *);
//       static Dataset *dataset();                              // what the search grid shows
//       static void listAll(Search *);                          // fill the grid with every record
//   };
#pragma once

#include "windowenv.h"

#include "data/recordkinds.h"
#include "data/unitdm.h"
#include "ui/xmdbgrid.h"

#include <QAction>
#include <QTest>
#include <QVariantMap>
#include <QWheelEvent>

template <class Kind>
struct EditorSearchEnv : WindowEnv {
    using Editor = typename Kind::Editor;
    using Search = typename Kind::Search;

    static const RecordKindInfo &info() { return RecordKinds::of(Kind::kind); }

    void setCounter(int value) { WindowEnv::setCounter(info().counter, value); }
    int counter() { return WindowEnv::counter(info().counter); }

    // Every stored row of the subsystem's table (optionally narrowed), in
    // zdbh order, and the row with an identifier.
    QList<QVariantMap> records(const QString &where = QString()) { return db.rows(info().table, where); }
    QVariantMap record(const QString &id)
    {
        const auto all = records(QStringLiteral("%1='%2'").arg(info().idColumn, id));
        return all.isEmpty() ? QVariantMap() : all.first();
    }

    Editor *openEditor()
    {
        Kind::newCommand(main)->trigger();
        return Kind::editor();
    }
    Search *openSearch()
    {
        Kind::searchCommand(main)->trigger();
        return Kind::search();
    }

    // Lists every record in the search window and opens the one with this
    // zdbh in the editor, in edit mode.
    Editor *editRecord(int zdbh)
    {
        Search *s = Kind::search() ? Kind::search() : openSearch();
        Kind::listAll(s);
        Dataset *d = Kind::dataset();
        for (int row = 0; row < d->rowCount(); ++row) {
            if (d->value(row, d->columnIndex(QStringLiteral("zdbh"))).toInt() == zdbh) {
                d->setCurrentRow(row);
                s->XMDBGrid1DblClick();
                return Kind::editor();
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

// What a search window's grid lists in one column, top to bottom.
inline QStringList listedIn(TXMDBGrid *grid, const QString &column)
{
    QStringList out;
    Dataset *d = grid->dataset();
    const int col = d->columnIndex(column);
    for (int row = 0; row < grid->model()->rowCount(); ++row)
        out << d->value(row, col).toString();
    return out;
}

// One wheel message over a search window's grid, and the arrow key the
// window posts for it.
inline void wheel(TXMDBGrid *grid, int delta)
{
    const QPointF pos(grid->viewport()->width() / 2.0, grid->viewport()->height() / 2.0);
    QWheelEvent event(pos, grid->viewport()->mapToGlobal(pos), QPoint(), QPoint(0, delta), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(grid->viewport(), &event);
    QCoreApplication::processEvents(); // the posted arrow key
}

// A whole day as it is stored.
inline QString dayText(const QDate &d)
{
    return d.toString(QStringLiteral("yyyy-MM-dd")) + QStringLiteral(" 00:00:00");
}
