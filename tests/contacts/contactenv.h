// The contact windows in the shared editor-and-search fixture, a helper that
// stores a contact straight into the table, and the focus helpers the
// checks on leaving a box need (the main window active, as on a desktop).
#pragma once

#include "editorsearchenv.h"

#include "contacts/unittongxunl.h"
#include "contacts/unittongxunlzj.h"
#include "ui/xmdbgrid.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

struct ContactWindows {
    using Editor = TFormtongxunlzj;
    using Search = TFormtongxunl;
    static constexpr RecordKind kind = RecordKind::Contact;
    static Editor *editor() { return Formtongxunlzj; }
    static Search *search() { return Formtongxunl; }
    static QAction *newCommand(TFormmain *main) { return main->N9; }
    static QAction *searchCommand(TFormmain *main) { return main->N10; }
    static Dataset *dataset() { return DM->ADOQtongxunlb; }
    static void listAll(Search *s)
    {
        s->ComboBox1->setEditText(QString());
        s->Edit1->clear();
        s->Edit2->clear();
        s->BitBtn1->click();
    }
};

struct ContactEnv : EditorSearchEnv<ContactWindows> {
    ContactEnv()
    {
        // Focus moves only inside the active window.
        main->activateWindow();
        QApplication::setActiveWindow(main);
    }

    // Stores a contact straight into the table; returns its zdbh. A null
    // QVariant stores null.
    int addContact(const QString &id, const QVariant &name, const QVariant &category = QStringLiteral("朋友"),
                   const QVariant &employer = QStringLiteral("单位"), const QVariantMap &more = {})
    {
        QStringList columns = {QStringLiteral("txlid"), QStringLiteral("lrrq"), QStringLiteral("xingm"),
                               QStringLiteral("fenl"), QStringLiteral("gzdw")};
        QVariantList values = {id, QStringLiteral("2024-01-02 00:00:00"), name, category, employer};
        for (auto it = more.begin(); it != more.end(); ++it) {
            columns << it.key();
            values << it.value();
        }
        QStringList marks;
        for (int i = 0; i < columns.size(); ++i)
            marks << QStringLiteral("?");
        return int(db.insert(QStringLiteral("insert into tongxunlb(%1) values (%2)")
                                 .arg(columns.join(QLatin1Char(',')), marks.join(QLatin1Char(','))),
                             values));
    }
};

// The 19 text columns of a contact and the editor boxes that show them.
inline QList<QPair<QString, QWidget *>> contactBoxes(TFormtongxunlzj *f)
{
    return {{QStringLiteral("xingm"), f->Edit4},     {QStringLiteral("xingb"), f->ComboBox1},
            {QStringLiteral("nianl"), f->Edit5},     {QStringLiteral("jig"), f->Edit6},
            {QStringLiteral("gzdw"), f->Edit1},      {QStringLiteral("zhiw"), f->Edit2},
            {QStringLiteral("fenl"), f->ComboBox2},  {QStringLiteral("address"), f->Edit8},
            {QStringLiteral("bangdh"), f->Edit9},    {QStringLiteral("yidongdh"), f->Edit10},
            {QStringLiteral("zhuzhaidh"), f->Edit11}, {QStringLiteral("chuanz"), f->Edit12},
            {QStringLiteral("email"), f->Edit13},    {QStringLiteral("qq"), f->Edit14},
            {QStringLiteral("shengr"), f->Edit17},   {QStringLiteral("teshujnr"), f->Edit18},
            {QStringLiteral("aihao"), f->Edit19},    {QStringLiteral("techang"), f->Edit20},
            {QStringLiteral("beizhu"), f->Edit21}};
}

inline QString boxText(QWidget *w)
{
    if (auto *c = qobject_cast<QComboBox *>(w))
        return c->currentText();
    return static_cast<QLineEdit *>(w)->text();
}

inline void setBoxText(QWidget *w, const QString &text)
{
    if (auto *c = qobject_cast<QComboBox *>(w))
        c->setEditText(text);
    else
        static_cast<QLineEdit *>(w)->setText(text);
}

inline QStringList boxTexts(TFormtongxunlzj *f)
{
    QStringList out;
    for (const auto &[column, box] : contactBoxes(f))
        out << boxText(box);
    return out;
}

// Puts the focus into a box, as a click would, and types a text there.
inline void typeInto(QLineEdit *box, const QString &text)
{
    box->setFocus(Qt::MouseFocusReason);
    box->setText(text);
}
