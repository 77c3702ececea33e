#include "ui/filechooser.h"

#include "data/pinyin.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QStorageInfo>
#include <QStyle>
#include <algorithm>
#include <functional>

namespace {

const int kFolderRole = Qt::UserRole;

// The file list; it tells when a key moved its selection, so moving through
// the list with the keys previews as a click does.
class FileList : public QListWidget {
public:
    using QListWidget::QListWidget;
    std::function<void()> onKeyMove;

protected:
    void keyPressEvent(QKeyEvent *event) override
    {
        const int before = currentRow();
        QListWidget::keyPressEvent(event);
        if (currentRow() != before && onKeyMove)
            onKeyMove();
    }
};

} // namespace

TFileChooser::TFileChooser(const QString &title, const QString &filterName, const QString &mask, QWidget *parent)
    : QGroupBox(title, parent)
{
    DriveComboBox1 = new QComboBox(this);
    DriveComboBox1->setObjectName(QStringLiteral("DriveComboBox1"));
    DriveComboBox1->setAccessibleName(QStringLiteral("驱动器"));

    DirectoryListBox1 = new QListWidget(this);
    DirectoryListBox1->setObjectName(QStringLiteral("DirectoryListBox1"));
    DirectoryListBox1->setAccessibleName(QStringLiteral("文件夹"));

    Label13 = new QLabel(QStringLiteral("文件列表"), this);
    Label13->setObjectName(QStringLiteral("Label13"));

    auto *files = new FileList(this);
    FileListBox1 = files;
    FileListBox1->setObjectName(QStringLiteral("FileListBox1"));
    FileListBox1->setAccessibleName(QStringLiteral("文件列表"));
    FileListBox1->setSelectionMode(QAbstractItemView::SingleSelection);
    Label13->setBuddy(FileListBox1);

    FilterComboBox1 = new QComboBox(this);
    FilterComboBox1->setObjectName(QStringLiteral("FilterComboBox1"));
    FilterComboBox1->setAccessibleName(QStringLiteral("文件类型"));
    FilterComboBox1->addItem(filterName, mask);

    fillDrives();
    connect(DriveComboBox1, &QComboBox::activated, this, [this](int index) {
        setDirectory(DriveComboBox1->itemData(index).toString());
    });
    connect(DirectoryListBox1, &QListWidget::itemActivated, this, [this](QListWidgetItem *item) {
        setDirectory(item->data(kFolderRole).toString());
    });
    connect(FilterComboBox1, &QComboBox::activated, this, [this](int) { updateFileList(); });
    connect(FileListBox1, &QListWidget::itemClicked, this, &TFileChooser::fileClicked);
    connect(FileListBox1, &QListWidget::itemDoubleClicked, this, &TFileChooser::fileDoubleClicked);
    files->onKeyMove = [this] { emit fileSelectedByKey(); };

    setTabOrder(DriveComboBox1, DirectoryListBox1);
    setTabOrder(DirectoryListBox1, FileListBox1);
    setTabOrder(FileListBox1, FilterComboBox1);
}

void TFileChooser::resizeEvent(QResizeEvent *event)
{
    QGroupBox::resizeEvent(event);
    // The drive box across the top, the folder list on the left, the file
    // list and the filter box on the right.
    const int w = width();
    const int h = height();
    const int half = (w - 24) / 2;
    DriveComboBox1->setGeometry(8, 22, w - 16, 24);
    DirectoryListBox1->setGeometry(8, 52, half - 8, h - 60);
    Label13->setGeometry(half + 8, 50, half, 18);
    FileListBox1->setGeometry(half + 8, 70, w - half - 16, h - 108);
    FilterComboBox1->setGeometry(half + 8, h - 32, w - half - 16, 24);
}

void TFileChooser::fillDrives()
{
    QStringList roots;
    for (const QStorageInfo &volume : QStorageInfo::mountedVolumes()) {
        if (volume.isValid() && volume.isReady())
            roots << QDir::toNativeSeparators(volume.rootPath());
    }
    const QString top = QDir::toNativeSeparators(QDir::rootPath());
    roots.removeAll(top);
    roots.removeDuplicates();
    std::sort(roots.begin(), roots.end(), Pinyin::less);
    roots.prepend(top);
    DriveComboBox1->clear();
    for (const QString &root : roots)
        DriveComboBox1->addItem(root, root);
}

QStringList TFileChooser::masks() const
{
    return FilterComboBox1->currentData().toString().split(QLatin1Char(';'), Qt::SkipEmptyParts);
}

void TFileChooser::setDirectory(const QString &folder)
{
    const QFileInfo info(folder);
    if (!info.isDir())
        return;
    directory_ = QDir::toNativeSeparators(QDir::cleanPath(info.absoluteFilePath()));
    // The drive: the mounted volume holding the folder (the longest root).
    int best = -1;
    qsizetype bestLength = -1;
    const QString withSeparator = directory_.endsWith(QDir::separator()) ? directory_ : directory_ + QDir::separator();
    for (int i = 0; i < DriveComboBox1->count(); ++i) {
        QString root = DriveComboBox1->itemData(i).toString();
        if (!root.endsWith(QDir::separator()))
            root += QDir::separator();
        if (withSeparator.startsWith(root) && root.size() > bestLength) {
            best = i;
            bestLength = root.size();
        }
    }
    if (best >= 0)
        DriveComboBox1->setCurrentIndex(best);
    fillDirectories();
    updateFileList();
}

// The folder list: the path from the root down to the listed folder, then
// its sub-folders; activating an entry opens it.
void TFileChooser::fillDirectories()
{
    DirectoryListBox1->clear();
    QStringList chain;
    QDir dir(directory_);
    chain.prepend(dir.absolutePath());
    while (dir.cdUp())
        chain.prepend(dir.absolutePath());
    const QIcon open = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closed = style()->standardIcon(QStyle::SP_DirIcon);
    int depth = 0;
    for (const QString &path : chain) {
        const QString name = QFileInfo(path).fileName().isEmpty() ? QDir::toNativeSeparators(path)
                                                                  : QFileInfo(path).fileName();
        auto *item = new QListWidgetItem(open, QString(depth * 2, QLatin1Char(' ')) + name);
        item->setData(kFolderRole, QDir::toNativeSeparators(path));
        DirectoryListBox1->addItem(item);
        ++depth;
    }
    DirectoryListBox1->setCurrentRow(DirectoryListBox1->count() - 1);
    QStringList subfolders = QDir(directory_).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    std::sort(subfolders.begin(), subfolders.end(), Pinyin::less);
    for (const QString &name : subfolders) {
        auto *item = new QListWidgetItem(closed, QString(depth * 2, QLatin1Char(' ')) + name);
        item->setData(kFolderRole, QDir::toNativeSeparators(QDir(directory_).filePath(name)));
        DirectoryListBox1->addItem(item);
    }
}

// Every ordinary file of the folder that matches the mask, whatever the case
// of its name, sorted by name in the program's one order (pinyin).
void TFileChooser::updateFileList()
{
    FileListBox1->clear();
    if (directory_.isEmpty())
        return;
    QDir dir(directory_);
    dir.setNameFilters(masks());
    dir.setFilter(QDir::Files);
    QStringList names = dir.entryList();
    std::sort(names.begin(), names.end(), Pinyin::less);
    FileListBox1->addItems(names);
}

QStringList TFileChooser::fileEntries() const
{
    QStringList out;
    for (int i = 0; i < FileListBox1->count(); ++i)
        out << FileListBox1->item(i)->text();
    return out;
}

QString TFileChooser::fileName() const
{
    const QList<QListWidgetItem *> selected = FileListBox1->selectedItems();
    if (selected.isEmpty() || directory_.isEmpty())
        return QString();
    return QDir::toNativeSeparators(QDir(directory_).filePath(selected.first()->text()));
}

