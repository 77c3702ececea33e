// The copy in steps of kStepBytes through copy_file_range (a plain read and
// write where the system cannot), and its progress dialog.
#include "app/filecopy.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QProgressDialog>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace FileCopy {

namespace {

int g_delayMs = 500;

QString systemReason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// The dialog shows once the copy has taken the delay and is not done.
class Progress {
public:
    explicit Progress(qint64 total) : total_(total) { clock_.start(); }
    ~Progress() { delete dialog_; }
    Progress(const Progress &) = delete;
    Progress &operator=(const Progress &) = delete;

    void step(qint64 done)
    {
        if (!dialog_) {
            if (done >= total_ || clock_.elapsed() < g_delayMs)
                return;
            open();
        }
        dialog_->setLabelText(QStringLiteral("正在复制数据库文件……\n已复制 %1 MB,共 %2 MB")
                                  .arg(double(done) / 1e6, 0, 'f', 1)
                                  .arg(double(total_) / 1e6, 0, 'f', 1));
        // A modal dialog lets the windows repaint as its value changes.
        dialog_->setValue(int(done * 1000 / std::max<qint64>(total_, 1)));
    }

private:
    void open()
    {
        dialog_ = new QProgressDialog(QApplication::activeWindow());
        dialog_->setObjectName(QStringLiteral("BackupProgress"));
        dialog_->setWindowTitle(QStringLiteral("数据库备份"));
        dialog_->setAccessibleName(QStringLiteral("数据库备份进度"));
        // Nothing to press: a copy half done is of no use, and the program
        // is waiting for it.
        dialog_->setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
        dialog_->setCancelButton(nullptr);
        auto *label = new QLabel(dialog_);
        label->setAccessibleName(QStringLiteral("备份进度说明"));
        dialog_->setLabel(label);
        auto *bar = new QProgressBar(dialog_);
        bar->setAccessibleName(QStringLiteral("已复制"));
        dialog_->setBar(bar);
        dialog_->setRange(0, 1000);
        dialog_->setAutoClose(false);
        dialog_->setAutoReset(false);
        dialog_->setMinimumDuration(0);
        dialog_->setWindowModality(Qt::ApplicationModal);
        dialog_->show();
    }

    qint64 total_;
    QElapsedTimer clock_;
    QPointer<QProgressDialog> dialog_;
};

// The temporary file beside the target, removed unless it was renamed.
class Temporary {
public:
    explicit Temporary(const QString &target)
    {
        const QFileInfo info(target);
        path_ = QFile::encodeName(info.absolutePath() + QStringLiteral("/.") + info.fileName()
                                  + QStringLiteral(".XXXXXX"));
        fd_ = ::mkstemp(path_.data());
        if (fd_ < 0)
            throw Failure{Failure::Side::Writing, systemReason(errno)};
        // A new copy is the user's alone (the notebook is private); a file
        // replaced keeps its mode.
        struct stat old {};
        const mode_t mode = ::stat(QFile::encodeName(target).constData(), &old) == 0 ? (old.st_mode & 07777) : 0600;
        ::fchmod(fd_, mode);
    }
    ~Temporary()
    {
        if (fd_ >= 0)
            ::close(fd_);
        if (!renamed_)
            ::unlink(path_.constData());
    }
    Temporary(const Temporary &) = delete;
    Temporary &operator=(const Temporary &) = delete;

    int fd() const { return fd_; }

    // Closes the copy and puts it in the target's place.
    void renameTo(const QString &target)
    {
        const int fd = fd_;
        fd_ = -1;
        if (::close(fd) != 0)
            throw Failure{Failure::Side::Writing, systemReason(errno)};
        if (::rename(path_.constData(), QFile::encodeName(target).constData()) != 0)
            throw Failure{Failure::Side::Writing, systemReason(errno)};
        renamed_ = true;
    }

private:
    QByteArray path_;
    int fd_ = -1;
    bool renamed_ = false;
};

// One step without the kernel's copy: read, then write all of it.
ssize_t readAndWrite(int in, int out, off_t at, size_t length, Failure::Side *side)
{
    static constexpr size_t kBuffer = 1 << 20;
    std::unique_ptr<char[]> buffer(new char[kBuffer]);
    size_t copied = 0;
    while (copied < length) {
        const ssize_t n = ::pread(in, buffer.get(), std::min(kBuffer, length - copied), at + off_t(copied));
        if (n < 0) {
            *side = Failure::Side::Reading;
            return -1;
        }
        if (n == 0)
            break;
        for (ssize_t written = 0; written < n;) {
            const ssize_t w = ::pwrite(out, buffer.get() + written, size_t(n - written), at + off_t(copied) + written);
            if (w <= 0) {
                *side = Failure::Side::Writing;
                if (w == 0)
                    errno = EIO;
                return -1;
            }
            written += w;
        }
        copied += size_t(n);
    }
    return ssize_t(copied);
}

} // namespace

void setProgressDelay(int ms)
{
    g_delayMs = ms;
}

int progressDelay()
{
    return g_delayMs;
}

void copy(QFile &source, const QString &target)
{
    const int in = source.handle();
    struct stat info {};
    if (::fstat(in, &info) != 0)
        throw Failure{Failure::Side::Reading, systemReason(errno)};
    const qint64 total = info.st_size;
    Temporary out(target);
    Progress progress(total);
    bool kernel = true;
    for (qint64 done = 0; done < total;) {
        const size_t length = size_t(std::min(kStepBytes, total - done));
        ssize_t n;
        Failure::Side side = Failure::Side::Writing;
        if (kernel) {
            loff_t from = done, to = done;
            n = ::copy_file_range(in, &from, out.fd(), &to, length, 0);
            if (n < 0 && done == 0
                && (errno == EXDEV || errno == ENOSYS || errno == EOPNOTSUPP || errno == EINVAL)) {
                kernel = false; // a file system the kernel does not copy within
                continue;
            }
            if (n < 0) {
                // Which side failed: the source still reads, or it does not.
                const int error = errno;
                char probe;
                if (::pread(in, &probe, 1, done) < 0)
                    throw Failure{Failure::Side::Reading, systemReason(errno)};
                throw Failure{Failure::Side::Writing, systemReason(error)};
            }
        } else {
            n = readAndWrite(in, out.fd(), done, length, &side);
            if (n < 0)
                throw Failure{side, systemReason(errno)};
        }
        if (n == 0)
            break; // the source is shorter than it was
        done += n;
        progress.step(done);
    }
    out.renameTo(target);
}

} // namespace FileCopy
