// The note editor: one note written, changed or deleted. New-note mode comes
// from the main window's "新增记事"; the note search window switches a fresh
// editor to edit mode by disabling "保存并新增" and filling the controls.
#pragma once

#include "ui/mdiform.h"

class QComboBox;
class QDateEdit;
class QFrame;
class QGroupBox;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QMenu;
class QAction;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QTimeEdit;

class TFormjszj : public TMdiForm {
    Q_OBJECT
public:
    explicit TFormjszj(QWidget *parent = nullptr);
    ~TFormjszj() override;

    QLabel *Label1;
    QDateEdit *DateTimePicker1;
    QLabel *Label2;
    QLineEdit *Edit1;
    QTimeEdit *DateTimePicker2;
    QGroupBox *GroupBox1;
    QPlainTextEdit *RichEdit1;
    QMenu *PopupMenu1;
    QAction *N1;
    QLabel *Label4;
    QComboBox *ComboBox1;
    QFrame *Panel1;
    QLabel *Label3;
    QRadioButton *RadioButton1;
    QRadioButton *RadioButton2;
    QRadioButton *RadioButton3;
    QRadioButton *RadioButton4;
    QGroupBox *GroupBox2;
    QPlainTextEdit *Memo2;
    QPushButton *BitBtn1;
    QPushButton *BitBtn2;
    QPushButton *BitBtn3;
    QPushButton *BitBtn4;
    QLabel *Label5;
    QLineEdit *Edit2;

    QSize sizeHint() const override; // the designed size

    void FormCreate() override;
    // "保存并新增"; false when it ended without storing (a question
    // cancelled, the content empty).
    bool BitBtn1Click();
    void BitBtn2Click();
    void BitBtn3Click();
    void BitBtn4Click();
    void N1Click();
    void Panel1Click();
    void Label2Click();
    // True when the key is to be dropped: nothing is typed into the
    // category box.
    bool ComboBox1KeyPress(QKeyEvent *event);

    // The weather word of the selected button, or the empty text.
    QString weatherValue() const;
    // Selects the button of a stored weather word; any other text leaves
    // every button unselected.
    void setWeatherValue(const QString &value);
    // New-note mode is marked by an enabled "保存并新增".
    bool newNoteMode() const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QRadioButton *weatherButton(int i) const;
    void clearForNextNote();
};

extern TFormjszj *Formjszj;
// The key `zdbh` of the note open in edit mode.
extern qint32 EditZdbh;
