// The MD5 tool: turns a text into its digest text, compares two texts by
// their digests, checks the digest text against the stored password of the
// current user, and lists the user table yhxxb in an editable grid. Made
// once, hidden, at start; shown modally; closing only hides it.
#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;
class TXMDBGrid;

class TFormmd5 : public QDialog {
    Q_OBJECT
public:
    explicit TFormmd5(QWidget *parent = nullptr);
    ~TFormmd5() override;

    QLabel *Label1;
    QLineEdit *Edit1;
    QLabel *Label2;
    QLineEdit *Edit2;
    QPushButton *Button1;
    QLineEdit *Edit3;
    QPushButton *Button2;
    QPushButton *Button3;
    TXMDBGrid *XMDBGrid1;
    QPushButton *Button4;

    void Button1Click(); // md5加密
    void Button2Click(); // md5密文比较
    void Button3Click(); // 密码验证
    void Button4Click(); // loads the user table

    // Closing hides the window. A row changed in the grid is stored first;
    // when that fails the user chooses between staying and dropping it.
    void reject() override;

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void placeControls();
    // Writes a cell being typed and stores a changed row; throws DbError.
    void storePendingRow();
};

extern TFormmd5 *Formmd5;
