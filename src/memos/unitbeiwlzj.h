// The memo editor: writes a new memo (several one after another) or changes
// the memo the search window opened, with or without a reminder date.
// The window is in edit mode exactly when "保存并新增" is disabled.
#pragma once

#include "ui/mdiform.h"

class Dataset;
class QAction;
class QCheckBox;
class QComboBox;
class QDateEdit;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QTimeEdit;

class TFormbeiwlzj : public TMdiForm {
    Q_OBJECT
public:
    explicit TFormbeiwlzj(QWidget *parent = nullptr);
    ~TFormbeiwlzj() override;

    void FormCreate() override;
    QSize sizeHint() const override;

    QLabel *Label1;            // 新增日期：
    QDateEdit *DateTimePicker1; // memo date
    QTimeEdit *DateTimePicker2; // memo time
    QLabel *Label5;            // Id：
    QLineEdit *Edit2;          // identifier, read-only
    QCheckBox *CheckBox1;      // 提醒日期：
    QDateEdit *DateTimePicker3; // reminder date
    QLabel *Label2;            // 主题：
    QLineEdit *Edit1;          // subject
    QLabel *Label4;            // 分类：
    QComboBox *ComboBox1;      // category, typed text kept as typed
    QGroupBox *GroupBox1;      // 备忘录内容
    QPlainTextEdit *RichEdit1; // content
    QLabel *Label3;            // 到 (never shown)
    QDateEdit *DateTimePicker4; // end date of the reminder (never shown)
    QPushButton *BitBtn1;      // 保存并新增
    QPushButton *BitBtn2;      // 保存
    QPushButton *BitBtn3;      // 退出
    QMenu *PopupMenu1;
    QAction *N1;               // 删除备忘录

    void BitBtn1Click();
    void BitBtn2Click();
    void BitBtn3Click();
    void CheckBox1Click();
    void N1Click();

private:
    // The column values the inserts and updates share.
    void bindCommon(Dataset *q, const QString &content);
};

extern TFormbeiwlzj *Formbeiwlzj;

namespace Unitbeiwlzj {
// The zdbh of the memo open in edit mode; set by the memo search window
// before the editor is shown, read only by the save of edit mode.
extern qint32 EditZdbh;
} // namespace Unitbeiwlzj
