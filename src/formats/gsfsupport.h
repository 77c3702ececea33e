// The libgsf plumbing of the workbook readers: owning handles, opening a
// file as an OLE2 container or a ZIP package, finding streams and parts by
// name, and a part read as a QIODevice that refuses to inflate past a limit.
//
// Include this header before any Qt header: glib's headers use the word
// `signals`, which Qt defines as a macro.
#pragma once

#include <gsf/gsf-infile.h>
#include <gsf/gsf-input.h>

#include <QIODevice>
#include <QString>
#include <QStringList>

#include <memory>

namespace Workbook::Detail {

struct GObjectUnref {
    void operator()(void *object) const;
};
using InputPtr = std::unique_ptr<GsfInput, GObjectUnref>;
using InfilePtr = std::unique_ptr<GsfInfile, GObjectUnref>;

// The file as a libgsf input; throws Error when it cannot be opened.
InputPtr openFileInput(const QString &path);
// The file's OLE2 container or ZIP package; throws Error("工作簿已损坏：...")
// when the container is broken.
InfilePtr openOle(GsfInput *file);
InfilePtr openZip(GsfInput *file);

QStringList childNames(GsfInfile *dir);
// The child named `name`, compared without case; null when there is none.
InputPtr childNoCase(GsfInfile *dir, const QString &name);
// The part at `path` ("xl/worksheets/sheet1.xml") of a ZIP package, each
// step compared without case as package part names are; null when absent.
InputPtr partByPath(GsfInfile *zip, const QString &path);

// Reads exactly `size` bytes; false at the end of the input or on a damaged one.
bool readExact(GsfInput *input, qint64 size, void *buffer);

// A part of a package read front to back as a QIODevice. Reading stops with
// an error when the input is damaged or more than `limit` bytes come out.
class GsfDevice : public QIODevice {
public:
    GsfDevice(InputPtr input, qint64 limit);
    bool isSequential() const override { return true; }
    bool damaged() const { return damaged_; }
    bool overLimit() const { return overLimit_; }

protected:
    qint64 readData(char *data, qint64 maxSize) override;
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    InputPtr input_;
    qint64 limit_;
    qint64 done_ = 0;
    bool damaged_ = false;
    bool overLimit_ = false;
};

} // namespace Workbook::Detail
