// The note search window: the notes of a date range, narrowed by a piece of
// the category and of the content, newest first, with the current note's
// content beneath the list. A double-click opens the note in the editor.
#pragma once

#include "ui/mdiform.h"

class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPushButton;
class TDBMemo;
class TXMDBGrid;

class TFormjsbgl : public TMdiForm {
    Q_OBJECT
public:
    explicit TFormjsbgl(QWidget *parent = nullptr);
    ~TFormjsbgl() override;

    TXMDBGrid *XMDBGrid1;
    QLabel *Label1;
    QDateEdit *DateTimePicker1;
    QLabel *Label4;
    QDateEdit *DateTimePicker2;
    QPushButton *BitBtn1;
    TDBMemo *DBMemo1;
    QLabel *Label2;
    QLineEdit *Edit1;
    QLabel *Label3;
    QComboBox *ComboBox1;
    QPushButton *SpeedButton1;

    QSize sizeHint() const override; // the designed size

    void FormCreate() override;
    void BitBtn1Click();
    void XMDBGrid1DblClick();
    void SpeedButton1Click();
    void XMDBGrid1MouseWheelDown(Qt::KeyboardModifiers shift, QPoint mousePos, bool *handled);
    void XMDBGrid1MouseWheelUp(Qt::KeyboardModifiers shift, QPoint mousePos, bool *handled);

protected:
    void FormClose() override;
};

extern TFormjsbgl *Formjsbgl;
