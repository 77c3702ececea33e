#include "tools/gy.h"

#include "ui/fonts.h"
#include "ui/icons.h"

#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

Tformgy *formgy = nullptr;

Tformgy::Tformgy(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("formgy"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("关于"));
    setFont(Fonts::song(14));
    setFixedSize(380, 301);
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

    auto *Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel1->setLineWidth(2);
    Panel1->setGeometry(8, 8, 364, 225);
    auto *inner = new QFrame(Panel1);
    inner->setFrameStyle(QFrame::Panel | QFrame::Raised);
    inner->setGeometry(3, 3, 358, 219);

    const QColor maroon(128, 0, 0);
    ProgramIcon = new QLabel(inner);
    ProgramIcon->setObjectName(QStringLiteral("ProgramIcon"));
    ProgramIcon->setAccessibleName(QStringLiteral("程序图标"));
    ProgramIcon->setPixmap(Icons::program().pixmap(32, 32).scaled(65, 57));
    ProgramIcon->setGeometry(12, 12, 65, 57);

    ProductName = new QLabel(QStringLiteral("Quorvane记事本管理软件"), inner);
    ProductName->setObjectName(QStringLiteral("ProductName"));
    QFont big = Fonts::song(19);
    big.setBold(true);
    ProductName->setFont(big);
    ProductName->setStyleSheet(QStringLiteral("color: rgb(128,0,0)"));
    ProductName->setGeometry(90, 20, 260, 28);

    Version = new QLabel(QStringLiteral(" V 1.0  单机版"), inner);
    Version->setObjectName(QStringLiteral("Version"));
    Version->setFont(Fonts::song(16));
    Version->setStyleSheet(QStringLiteral("color: rgb(128,0,0)"));
    Version->setGeometry(90, 60, 240, 24);

    BitBtn2 = new QPushButton(QStringLiteral("OK"), this);
    BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
    BitBtn2->setGeometry((380 - 80) / 2, 252, 80, 30);
    BitBtn2->setDefault(true);
    BitBtn2->setFocus();
    connect(BitBtn2, &QPushButton::clicked, this, [this] { BitBtn2Click(); });

    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

Tformgy::~Tformgy()
{
    if (formgy == this)
        formgy = nullptr;
}

void Tformgy::BitBtn2Click()
{
    close();
}
