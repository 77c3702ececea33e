// The contact search window: lists the contacts of a category, a name and an
// employer in the shared dataset ADOQtongxunlb and opens the contact of the
// current row in the contact editor.
#pragma once

#include "ui/mdiform.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class TXMDBGrid;

class TFormtongxunl : public TMdiForm {
    Q_OBJECT
public:
    explicit TFormtongxunl(QWidget *parent = nullptr);
    ~TFormtongxunl() override;

    void FormCreate() override;
    QSize sizeHint() const override;

    TXMDBGrid *XMDBGrid1;
    QLabel *Label1;       // 分类：
    QComboBox *ComboBox1; // category filter
    QLabel *Label2;       // 姓名:
    QLineEdit *Edit1;     // name filter
    QLabel *Label3;       // 工作单位:
    QLineEdit *Edit2;     // employer filter
    QPushButton *BitBtn1; // 查询
    QPushButton *BitBtn2; // 修改 (never shown; the grid's double-click)

    void BitBtn1Click();
    void BitBtn2Click();
    void XMDBGrid1DblClick();
    void XMDBGrid1MouseWheelDown(Qt::KeyboardModifiers shift, QPoint mousePos, bool *handled);
    void XMDBGrid1MouseWheelUp(Qt::KeyboardModifiers shift, QPoint mousePos, bool *handled);
};

extern TFormtongxunl *Formtongxunl;
