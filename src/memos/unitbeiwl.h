// The memo search window: lists the shared memo dataset ADOQbwlb (its own
// search, or the memos due at start) and opens a memo in the editor.
#pragma once

#include "ui/mdiform.h"

class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;
class TXMDBGrid;

class TFormbeiwl : public TMdiForm {
    Q_OBJECT
public:
    explicit TFormbeiwl(QWidget *parent = nullptr);
    ~TFormbeiwl() override;

    void FormCreate() override;
    QSize sizeHint() const override;

    QLabel *Label1;             // 记事日期：
    QDateEdit *DateTimePicker1; // start of the range
    QLabel *Label4;             // 至
    QDateEdit *DateTimePicker2; // end of the range
    QLabel *Label3;             // 分类：
    QComboBox *ComboBox1;
    QLabel *Label2;             // 内容:
    QLineEdit *Edit1;
    QPushButton *BitBtn1;       // 查询
    QToolButton *SpeedButton1;  // 查单 (never shown)
    TXMDBGrid *XMDBGrid1;

    void BitBtn1Click();
    void SpeedButton1Click();
    void XMDBGrid1DblClick();
    void XMDBGrid1MouseWheelDown(Qt::KeyboardModifiers shift, QPoint mousePos, bool *handled);
    void XMDBGrid1MouseWheelUp(Qt::KeyboardModifiers shift, QPoint mousePos, bool *handled);
};

extern TFormbeiwl *Formbeiwl;
