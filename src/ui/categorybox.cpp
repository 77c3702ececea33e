#include "ui/categorybox.h"

#include "data/unitdm.h"

#include <QComboBox>

void fillCategoryBox(QComboBox *box)
{
    Dataset *categories = DM->ADOQjsflb;
    categories->close();
    categories->open();
    const int column = categories->columnIndex(QStringLiteral("flmc"));
    for (int row = 0; row < categories->rowCount(); ++row) {
        const QVariant name = categories->value(row, column);
        box->addItem(name.isNull() ? QString() : name.toString());
    }
    box->setCurrentIndex(-1);
    box->setEditText(QString());
}
