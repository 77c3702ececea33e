// The about box: product name and version.
#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

class Tformgy : public QDialog {
    Q_OBJECT
public:
    explicit Tformgy(QWidget *parent = nullptr);
    ~Tformgy() override;

    QLabel *ProgramIcon;
    QLabel *ProductName;
    QLabel *Version;
    QPushButton *BitBtn2;

    void BitBtn2Click();
};

extern Tformgy *formgy;
