// libgsf plumbing of the workbook readers: handles, containers, lookups and
// the part device (see gsfsupport.h).
#include "formats/gsfsupport.h"

#include <gsf/gsf-infile-msole.h>
#include <gsf/gsf-infile-zip.h>
#include <gsf/gsf-input-stdio.h>
#include <gsf/gsf-utils.h>

#include "formats/workbook_p.h"

#include <QFile>

#include <mutex>

namespace Workbook::Detail {

namespace {

void dropMessage(const gchar *, GLogLevelFlags, const gchar *, gpointer) {}

void initOnce()
{
    static std::once_flag once;
    std::call_once(once, [] {
        gsf_init();
        // libgsf logs what it finds wrong in a damaged container; the reader
        // reports the failure itself, in words the user can read.
        const auto levels = GLogLevelFlags(G_LOG_LEVEL_WARNING | G_LOG_LEVEL_CRITICAL | G_LOG_LEVEL_MESSAGE);
        for (const char *domain : {"libgsf", "libgsf:msole", "libgsf:zip", "libgsf:utils"})
            g_log_set_handler(domain, levels, dropMessage, nullptr);
    });
}

QString takeMessage(GError *error)
{
    if (!error)
        return QString();
    const QString text = QString::fromUtf8(error->message);
    g_error_free(error);
    return text;
}

} // namespace

void GObjectUnref::operator()(void *object) const
{
    if (object)
        g_object_unref(object);
}

InputPtr openFileInput(const QString &path)
{
    initOnce();
    GError *error = nullptr;
    InputPtr input(gsf_input_stdio_new(QFile::encodeName(path).constData(), &error));
    if (!input)
        fail(QStringLiteral("无法打开文件“%1”：%2").arg(path, takeMessage(error)));
    takeMessage(error);
    return input;
}

InfilePtr openOle(GsfInput *file)
{
    GError *error = nullptr;
    InfilePtr ole(gsf_infile_msole_new(file, &error));
    const QString message = takeMessage(error);
    if (!ole)
        corrupt(QStringLiteral("OLE2文件容器无法读取（%1）").arg(message));
    return ole;
}

InfilePtr openZip(GsfInput *file)
{
    GError *error = nullptr;
    InfilePtr zip(gsf_infile_zip_new(file, &error));
    const QString message = takeMessage(error);
    if (!zip)
        corrupt(QStringLiteral("ZIP压缩包无法读取（%1）").arg(message));
    return zip;
}

QStringList childNames(GsfInfile *dir)
{
    QStringList names;
    const int n = gsf_infile_num_children(dir);
    for (int i = 0; i < n; ++i) {
        const char *name = gsf_infile_name_by_index(dir, i);
        names << (name ? QString::fromUtf8(name) : QString());
    }
    return names;
}

InputPtr childNoCase(GsfInfile *dir, const QString &name)
{
    if (!dir || name.isEmpty())
        return nullptr;
    const QStringList names = childNames(dir);
    int found = int(names.indexOf(name));
    if (found < 0) {
        for (int i = 0; i < names.size() && found < 0; ++i) {
            if (names[i].compare(name, Qt::CaseInsensitive) == 0)
                found = i;
        }
    }
    return found < 0 ? nullptr : InputPtr(gsf_infile_child_by_index(dir, found));
}

InputPtr partByPath(GsfInfile *zip, const QString &path)
{
    QStringList steps = path.split(QLatin1Char('/'));
    steps.removeAll(QString());
    if (steps.isEmpty())
        return nullptr;
    InputPtr current;
    GsfInfile *dir = zip;
    for (int i = 0; i < steps.size(); ++i) {
        InputPtr next = childNoCase(dir, steps[i]);
        if (!next)
            return nullptr;
        current = std::move(next);
        if (i + 1 < steps.size()) {
            if (!GSF_IS_INFILE(current.get()))
                return nullptr;
            dir = GSF_INFILE(current.get());
        }
    }
    // A folder is no part.
    if (GSF_IS_INFILE(current.get()) && gsf_infile_num_children(GSF_INFILE(current.get())) >= 0)
        return nullptr;
    return current;
}

bool readExact(GsfInput *input, qint64 size, void *buffer)
{
    if (size < 0 || gsf_input_remaining(input) < size)
        return false;
    return size == 0 || gsf_input_read(input, size_t(size), static_cast<guint8 *>(buffer)) != nullptr;
}

GsfDevice::GsfDevice(InputPtr input, qint64 limit) : input_(std::move(input)), limit_(limit)
{
    open(QIODevice::ReadOnly);
}

qint64 GsfDevice::readData(char *data, qint64 maxSize)
{
    if (damaged_ || overLimit_)
        return -1;
    const qint64 left = gsf_input_remaining(input_.get());
    const qint64 n = qMin(maxSize, left);
    if (n <= 0)
        return 0;
    if (done_ + n > limit_) {
        overLimit_ = true;
        return -1;
    }
    if (!gsf_input_read(input_.get(), size_t(n), reinterpret_cast<guint8 *>(data))) {
        damaged_ = true;
        return -1;
    }
    done_ += n;
    return n;
}

} // namespace Workbook::Detail
