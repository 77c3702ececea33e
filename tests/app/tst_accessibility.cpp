// Every control a user can reach must carry a name for assistive tools
// (the program is also driven through the desktop's accessibility bus):
// walks each window and checks the accessible name of every focusable
// control.
#include "windowenv.h"

#include "app/unitmain.h"
#include "contacts/unittongxunl.h"
#include "contacts/unittongxunlzj.h"
#include "contacts/unitexcelintodbf.h"
#include "data/unitdm.h"
#include "memos/unitbeiwl.h"
#include "memos/unitbeiwlzj.h"
#include "notes/unitjsbgl.h"
#include "notes/unitjsfl.h"
#include "notes/unitjszj.h"
#include "notes/unittupzj.h"
#include "tools/gy.h"
#include "tools/unitmd5.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

class TestAccessibility : public QObject {
    Q_OBJECT

    // The focusable controls of `window` that have no accessible name.
    static QStringList unnamed(QWidget *window)
    {
        QStringList out;
        const auto widgets = window->findChildren<QWidget *>();
        for (QWidget *w : widgets) {
            if (w->focusPolicy() == Qt::NoFocus || !w->isVisibleTo(window) || !w->isEnabledTo(window))
                continue;
            if (w->parentWidget() && w->parentWidget()->inherits("QAbstractSpinBox"))
                continue; // the line edit inside a picker speaks for the picker
            if (w->parentWidget() && w->parentWidget()->inherits("QComboBox"))
                continue;
            if (w->inherits("QScrollBar") || w->inherits("QHeaderView") || w->objectName() == QLatin1String("qt_scrollarea_viewport"))
                continue;
            QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(w);
            const QString name = iface ? iface->text(QAccessible::Name) : QString();
            if (name.trimmed().isEmpty())
                out << QStringLiteral("%1 (%2)").arg(w->objectName(), QLatin1String(w->metaObject()->className()));
        }
        return out;
    }

private slots:
    // The check itself notices a box nobody named.
    void checkFindsUnnamedBox()
    {
        QWidget window;
        auto *named = new QLineEdit(&window);
        named->setAccessibleName(QStringLiteral("主题"));
        auto *bare = new QLineEdit(&window);
        bare->setObjectName(QStringLiteral("bare"));
        window.show();
        QCOMPARE(unnamed(&window), QStringList{QStringLiteral("bare (QLineEdit)")});
    }

    void init()
    {
        if (QString::fromLatin1(QTest::currentTestFunction()) != QLatin1String("checkFindsUnnamedBox"))
            env = new WindowEnv();
    }

    void cleanup()
    {
        delete env;
        env = nullptr;
    }

    void mdiWindows_data()
    {
        QTest::addColumn<int>("which");
        QTest::newRow("main window") << 0;
        QTest::newRow("note editor") << 1;
        QTest::newRow("note search") << 2;
        QTest::newRow("memo editor") << 3;
        QTest::newRow("memo search") << 4;
        QTest::newRow("contact editor") << 5;
        QTest::newRow("contact search") << 6;
    }

    void mdiWindows()
    {
        QFETCH(int, which);
        TFormmain *main = env->main;
        QWidget *window = main;
        switch (which) {
        case 1: window = Windows::openOrRestore(Formjszj); break;
        case 2: window = Windows::openOrRestore(Formjsbgl, Windows::Height::SearchWindow); break;
        case 3: window = Windows::openOrRestore(Formbeiwlzj); break;
        case 4: window = Windows::openOrRestore(Formbeiwl, Windows::Height::SearchWindow); break;
        case 5: window = Windows::openOrRestore(Formtongxunlzj); break;
        case 6: window = Windows::openOrRestore(Formtongxunl, Windows::Height::SearchWindow); break;
        default: break;
        }
        QVERIFY(window);
        QCOMPARE(unnamed(window), QStringList());
    }

    void dialogs_data()
    {
        QTest::addColumn<int>("which");
        QTest::newRow("categories") << 0;
        QTest::newRow("pictures") << 1;
        QTest::newRow("about") << 2;
        QTest::newRow("md5 tool") << 3;
        QTest::newRow("phone-book import") << 4;
    }

    void dialogs()
    {
        QFETCH(int, which);
        QDialog *dialog = nullptr;
        if (which == 0) {
            auto *d = new TFormjsfl();
            d->FormCreate();
            dialog = d;
        } else if (which == 1) {
            dialog = new TFormtupzj();
        } else if (which == 3) {
            auto *d = new TFormmd5();
            d->Button4Click(); // the user table loaded into the grid
            dialog = d;
        } else if (which == 2) {
            dialog = new Tformgy();
        } else {
            dialog = new TFormexcelintodbf();
        }
        dialog->show();
        QCOMPARE(unnamed(dialog), QStringList());
        delete dialog;
    }

private:
    WindowEnv *env = nullptr;
};

QTEST_MAIN(TestAccessibility)
#include "tst_accessibility.moc"
