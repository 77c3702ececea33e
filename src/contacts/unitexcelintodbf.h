// The phone-book import dialog: the user picks an Excel workbook (.xls or
// .xlsx), gives the first and the last sheet row to read and imports them
// as contacts in one step that adds every row or none. Modal; closing only
// hides it. One instance is made hidden at start; the contact editor opens
// a fresh one through openImportDialog().
#pragma once

#include <QDialog>
#include <QElapsedTimer>

#include <memory>

class QLabel;
class QLineEdit;
class QProgressDialog;
class QPushButton;
class QToolButton;

namespace Workbook {
class Reader;
}

class TFormexcelintodbf : public QDialog {
    Q_OBJECT
public:
    explicit TFormexcelintodbf(QWidget *parent = nullptr);
    ~TFormexcelintodbf() override;

    QLabel *Label1;
    QLineEdit *Edit3;
    QToolButton *SpeedButton1;
    QLabel *Label2;
    QLineEdit *Edit2;
    QLabel *Label3;
    QLineEdit *Edit1;
    QPushButton *BitBtn1;
    QPushButton *BitBtn2;

    // The workbook chosen by the last 查找, opened; empty before one is
    // chosen and once an import has read it.
    std::unique_ptr<Workbook::Reader> ExcelSheet;
    // Shown while rows are imported, once the work takes longer than about
    // half a second: rows done of rows to read, and a cancel button.
    QProgressDialog *Progress1 = nullptr;

    void SpeedButton1Click();
    void BitBtn1Click();
    void BitBtn2Click();
    // The checks made when the focus leaves a row box; false when the box
    // took the focus back.
    bool Edit2Exit();
    bool Edit1Exit();

    // The file filter of the chooser.
    static QString workbookFilter();

signals:
    // After every imported row (and once with done = 0 before the first).
    void rowImported(int done, int total);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void done(int result) override;

private:
    bool progressed(int done, int total);
    void checkLeftBox(QLineEdit *box);
    void releaseWorkbook();

    // A box whose exit check failed and whose message is still to come;
    // clicks on the buttons are dropped meanwhile.
    QLineEdit *pendingCheck_ = nullptr;
    bool refocusing_ = false;
    QElapsedTimer sinceRepaint_;
};

extern TFormexcelintodbf *Formexcelintodbf;

// What the contact editor's "从EXCEL导入" does: a fresh dialog (the one it
// replaces goes), stored in Formexcelintodbf and shown modally.
void openImportDialog();
