// The picture window of a note: stores JPEG files as the note's pictures
// (one at a time or a whole folder), previews files and stored pictures,
// deletes them and hands a stored picture to the desktop's own viewer.
// The note editor opens it modally after selecting the note's pictures on
// ADOQjstpb and filling Edit2 with the note identifier.
#pragma once

#include "ui/filechooser.h"
#include "ui/imageview.h"

#include <QDialog>
#include <QElapsedTimer>
#include <QVariant>
#include <functional>

class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTimer;
class TXMDBGrid;

class TFormtupzj : public QDialog {
    Q_OBJECT
public:
    explicit TFormtupzj(QWidget *parent = nullptr);
    ~TFormtupzj() override;

    QLabel *Label5;
    QLineEdit *Edit2;
    QLabel *Label1;
    QLineEdit *Edit1;
    TFileChooser *GroupBox2;
    QComboBox *DriveComboBox1;
    QListWidget *DirectoryListBox1;
    QLabel *Label13;
    QListWidget *FileListBox1;
    QComboBox *FilterComboBox1;
    TXMDBGrid *XMDBGrid1;
    QLabel *Label7;
    QFrame *Panel1;
    TImage *Image1;
    QPushButton *BitBtn1;
    QPushButton *BitBtn2;
    QPushButton *BitBtn3;
    QPushButton *BitBtn4;
    QPushButton *BitBtn6;

    void FileListBox1Click();
    void FileListBox1DblClick();
    void BitBtn1Click();
    void BitBtn2Click();
    void XMDBGrid1CellClick();
    void XMDBGrid1DblClick();
    void BitBtn3Click();
    void BitBtn4Click();
    void Edit1DblClick();
    void BitBtn6Click();
    void FormClose();
    void FormDestroy();

    // The file chooser: the folder the file list shows, its entries in
    // list order (names only) and the full path of the selected entry.
    QString directory() const { return GroupBox2->directory(); }
    void setDirectory(const QString &folder) { GroupBox2->setDirectory(folder); }
    QStringList fileEntries() const { return GroupBox2->fileEntries(); }
    QString fileName() const { return GroupBox2->fileName(); }

    // A click in the file list waiting out the double-click interval before
    // it previews.
    bool previewPending() const;

    // The export file handed to the desktop's viewer.
    static QString exportFolder();
    static QString exportFile();
    // Hands a file to the desktop's viewer; its result is ignored. When the
    // hook is set (the tests) it is called instead.
    static void ShellOpen(const QString &file);
    static std::function<void(const QString &)> shellOpenHook;

protected:
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void placeControls();
    void showStoredPicture();

    QTimer *clickTimer_ = nullptr; // a click's preview, waiting for a double-click
    QVariant shownKey_;       // the stored picture last decoded for the preview
    QElapsedTimer shownTimer_;
    bool centred_ = false;
};

extern TFormtupzj *Formtupzj;
// The full path of the file that the store step reads next.
extern QString PictureFile;
