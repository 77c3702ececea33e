// The categories dialog: the one list of category names in jsflb, edited in
// the grid and stored row by row. Made anew for every command, shown modally.
#pragma once

#include <QDialog>

class QPushButton;
class TXMDBGrid;

class TFormjsfl : public QDialog {
    Q_OBJECT
public:
    explicit TFormjsfl(QWidget *parent = nullptr);
    ~TFormjsfl() override;

    QPushButton *BitBtn1;
    QPushButton *BitBtn2;
    QPushButton *BitBtn3;
    TXMDBGrid *XMDBGrid1;
    QPushButton *BitBtn4;

    void FormCreate();
    void BitBtn1Click();
    void BitBtn2Click();
    void BitBtn3Click();
    void BitBtn4Click();

protected:
    void FormClose();
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void placeButtons();
};

extern TFormjsfl *Formjsfl;
