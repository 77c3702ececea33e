#include "tools/gy.h"

#include "ui/fonts.h"
#include "ui/icons.h"
#include "ui/widgetkit.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>

Tformgy *formgy = nullptr;

Tformgy::Tformgy(QWidget *parent) : QDialog(parent)
{
    setUpWindow(this, "formgy", QStringLiteral("关于"), Fonts::song(14));
    setAttribute(Qt::WA_DeleteOnClose);
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
    ProgramIcon = label(inner, "ProgramIcon", QString());
    ProgramIcon->setAccessibleName(QStringLiteral("程序图标"));
    ProgramIcon->setPixmap(Icons::program().pixmap(32, 32).scaled(65, 57));
    ProgramIcon->setGeometry(12, 12, 65, 57);

    ProductName = label(inner, "ProductName", QStringLiteral("Quorvane记事本管理软件"), nullptr, QRect(90, 20, 260, 28));
    QFont big = Fonts::song(19);
    big.setBold(true);
    ProductName->setFont(big);
    setTextColour(ProductName, maroon);

    Version = label(inner, "Version", QStringLiteral(" V 1.0  单机版"), nullptr, QRect(90, 60, 240, 24));
    Version->setFont(Fonts::song(16));
    setTextColour(Version, maroon);

    BitBtn2 = button(this, "BitBtn2", QStringLiteral("OK"), QIcon(), QRect((380 - 80) / 2, 252, 80, 30));
    BitBtn2->setDefault(true);
    BitBtn2->setFocus();
    connect(BitBtn2, &QPushButton::clicked, this, [this] { BitBtn2Click(); });

    centreOnScreen(this);
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
