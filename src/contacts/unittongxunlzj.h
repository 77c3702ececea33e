// The contact editor: enters new contacts one after another, or changes or
// deletes the contact the search window opened. The window is in edit mode
// exactly when "保存并新增" is disabled; "删除" is enabled only then.
// Enter moves along the layout (left column, right column, 备注, the save
// button of the mode); leaving 年龄 or 生日 for another control of the
// window checks the box.
#pragma once

#include "ui/mdiform.h"

class Dataset;
class QComboBox;
class QDateEdit;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;

class TFormtongxunlzj : public TMdiForm {
    Q_OBJECT
public:
    explicit TFormtongxunlzj(QWidget *parent = nullptr);
    ~TFormtongxunlzj() override;

    void FormCreate() override;
    QSize sizeHint() const override;

    QFrame *Panel1;
    // Left column.
    QLabel *Label1;
    QLineEdit *Edit4;          // 姓名 (xingm)
    QLabel *Label2;
    QComboBox *ComboBox1;      // 性别 (xingb)
    QLabel *Label3;
    QLineEdit *Edit5;          // 年龄 (nianl)
    QLabel *Label4;
    QLineEdit *Edit6;          // 籍贯 (jig)
    QLabel *Label5;
    QLineEdit *Edit1;          // 工作单位 (gzdw)
    QLabel *Label6;
    QLineEdit *Edit2;          // 职务 (zhiw)
    QLabel *Label7;
    QComboBox *ComboBox2;      // 分类 (fenl)
    QLabel *Label8;
    QLineEdit *Edit8;          // 住址 (address)
    QLabel *Label9;
    QLineEdit *Edit9;          // 办公电话 (bangdh)
    // Right column.
    QLabel *Label10;
    QLineEdit *Edit10;         // 移动电话 (yidongdh)
    QLabel *Label11;
    QLineEdit *Edit11;         // 住宅电话 (zhuzhaidh)
    QLabel *Label12;
    QLineEdit *Edit12;         // 传真 (chuanz)
    QLabel *Label13;
    QLineEdit *Edit13;         // 邮箱 (email)
    QLabel *Label14;
    QLineEdit *Edit14;         // QQ号码 (qq)
    QLabel *Label15;
    QLineEdit *Edit17;         // 生日 (shengr)
    QLabel *Label16;
    QLineEdit *Edit18;         // 特殊纪念日 (teshujnr)
    QLabel *Label17;
    QLineEdit *Edit19;         // 爱好 (aihao)
    QLabel *Label18;
    QLineEdit *Edit20;         // 特长 (techang)
    // Below.
    QLabel *Label19;
    QLineEdit *Edit21;         // 备注 (beizhu)
    QDateEdit *DateTimePicker1; // entry date (lrrq), never shown
    QPushButton *BitBtn1;      // 保存并新增
    QPushButton *BitBtn2;      // 保存
    QPushButton *BitBtn5;      // 从EXCEL导入 (disabled)
    QPushButton *BitBtn4;      // 删除
    QPushButton *BitBtn3;      // 退出

    // "保存并新增"; false when the name was empty and nothing was stored.
    bool BitBtn1Click();
    void BitBtn2Click();
    void BitBtn3Click();
    void BitBtn4Click();
    void BitBtn5Click();
    // The checks run when the focus leaves 年龄 / 生日 for another control
    // of this window; false when the box's text is refused (the message is
    // shown and the focus is back in the box).
    bool Edit5Exit();
    bool Edit17Exit();

    // Edit mode is marked by a disabled "保存并新增".
    bool editMode() const;
    // The control Enter moves to from `from`, or nullptr.
    QWidget *enterTarget(QWidget *from) const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void FormClose() override;

private:
    // The 19 text parameters the insert and the update share.
    void bindTexts(Dataset *q) const;
    // Empties the 17 edit boxes; sex and category stay for the next contact.
    void clearEditBoxes();
    void focusMoved(QWidget *old, QWidget *now);
    void swallowMouseUntilNextTurn();

    bool checking_ = false;
    bool closing_ = false;
    bool swallowing_ = false; // mouse clicks into the window are dropped
};

extern TFormtongxunlzj *Formtongxunlzj;

namespace Unittongxunlzj {
// The identifier the next new contact receives, "TXL-" and the counter;
// read when an editor is made and after each of its saves.
extern QString NextTxlid;
// The zdbh of the contact open in edit mode; set by the contact search
// window before the editor is shown.
extern qint32 EditZdbh;
} // namespace Unittongxunlzj
