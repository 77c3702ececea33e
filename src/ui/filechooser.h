// The file chooser of the picture window: a drive selector, the folder list
// and the file list chained to each other, and a filter box. The file list
// shows every ordinary file of the chosen folder that matches the filter's
// mask, whatever the case of its name, sorted by name as the database sorts
// names: Chinese by pinyin, Latin letters without regard to case.
#pragma once

#include <QGroupBox>
#include <QStringList>

class QComboBox;
class QLabel;
class QListWidget;

class TFileChooser : public QGroupBox {
    Q_OBJECT
public:
    // `filterName` and `mask` make the filter box's one entry, the mask a
    // list of patterns separated by ';'.
    TFileChooser(const QString &title, const QString &filterName, const QString &mask, QWidget *parent = nullptr);

    QComboBox *DriveComboBox1;
    QListWidget *DirectoryListBox1;
    QLabel *Label13;
    QListWidget *FileListBox1;
    QComboBox *FilterComboBox1;

    // The folder the file list shows, its entries in list order (names
    // only) and the full path of the selected entry (empty when none).
    QString directory() const { return directory_; }
    void setDirectory(const QString &folder);
    QStringList fileEntries() const;
    QString fileName() const;
    void updateFileList();

signals:
    // A click in the file list; a key that moved its selection; a
    // double-click (which follows a click).
    void fileClicked();
    void fileSelectedByKey();
    void fileDoubleClicked();

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void fillDrives();
    void fillDirectories();
    QStringList masks() const;

    QString directory_;
};
