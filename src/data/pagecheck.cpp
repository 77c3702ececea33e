// Reading SQLite's file format (https://www.sqlite.org/fileformat2.html) to
// check a database's trees, free pages and page count without reading the
// pages that only carry the overflowing parts of long values.
#include "data/pagecheck.h"

#include "data/sqlite.h"

#include <QFile>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <unistd.h>
#include <optional>
#include <vector>

namespace PageCheck {

namespace {

constexpr quint32 kPendingByte = 0x40000000; // SQLite's lock bytes: their page is never used

quint16 u16(const uchar *p) { return quint16((p[0] << 8) | p[1]); }
quint32 u32(const uchar *p) { return (quint32(p[0]) << 24) | (quint32(p[1]) << 16) | (quint32(p[2]) << 8) | p[3]; }

// SQLite's variable-length integer: up to nine bytes, big-endian groups of
// seven bits, the ninth byte whole. Returns its length, 0 past `end`.
int varint(const uchar *p, const uchar *end, quint64 *value)
{
    quint64 v = 0;
    for (int i = 0; i < 8; ++i) {
        if (p + i >= end)
            return 0;
        v = (v << 7) | (p[i] & 0x7f);
        if (!(p[i] & 0x80)) {
            *value = v;
            return i + 1;
        }
    }
    if (p + 8 >= end)
        return 0;
    *value = (v << 8) | p[8];
    return 9;
}

// A page of a tree waiting to be read, with the range its keys must lie in
// (for a table: lower bound exclusive, upper inclusive).
struct Pending {
    quint32 page;
    bool hasLow = false, hasHigh = false;
    qint64 low = 0, high = 0;
};

class Checker {
public:
    Checker(QFile &file) : file_(file) {}

    Result run(const QList<quint32> &roots);

private:
    bool problem(const QString &text)
    {
        if (result_.problems.size() < 20)
            result_.problems << text;
        return false;
    }
    // Marks a page as used; false (and a problem) when it cannot be.
    bool use(quint32 page, const char *what);
    // Reads `count` pages from page `first` into the buffer.
    bool readRun(quint32 first, quint32 count);
    bool checkFreeList(quint32 first, quint32 total);
    void checkTree(quint32 root);
    // Checks one page of a tree; its children join `next`.
    bool checkPage(const Pending &p, const uchar *base, bool table, std::vector<Pending> &next, bool *leaf);

    QFile &file_;
    Result result_;
    quint32 pageSize_ = 0, usable_ = 0, pages_ = 0, pendingPage_ = 0;
    std::vector<bool> used_;
    quint64 treePages_ = 0, overflowPages_ = 0;
    std::vector<quint32> overflowFirst_;
    // A run of adjacent pages being checked.
    std::unique_ptr<uchar[]> buffer_;
    size_t capacity_ = 0;
};

bool Checker::use(quint32 page, const char *what)
{
    if (page < 1 || page > pages_ || page == pendingPage_)
        return problem(QStringLiteral("%1 page %2 out of range (1..%3)").arg(QLatin1String(what)).arg(page).arg(pages_));
    if (used_[page])
        return problem(QStringLiteral("%1 page %2 is used twice").arg(QLatin1String(what)).arg(page));
    used_[page] = true;
    return true;
}

bool Checker::readRun(quint32 first, quint32 count)
{
    const size_t length = size_t(count) * pageSize_;
    if (length > capacity_) {
        capacity_ = length;
        buffer_.reset(new uchar[capacity_]); // not cleared: every byte used is read
    }
    const off_t at = off_t(first - 1) * pageSize_;
    for (size_t done = 0; done < length;) {
        const ssize_t n = ::pread(file_.handle(), buffer_.get() + done, length - done, at + off_t(done));
        if (n <= 0)
            return problem(QStringLiteral("page %1 cannot be read: %2")
                               .arg(first + quint32(done / pageSize_))
                               .arg(n == 0 ? QStringLiteral("the file ends") : QString::fromLocal8Bit(std::strerror(errno))));
        done += size_t(n);
    }
    return true;
}

bool Checker::checkFreeList(quint32 trunk, quint32 total)
{
    quint64 counted = 0;
    while (trunk != 0) {
        if (!use(trunk, "freelist trunk") || !readRun(trunk, 1))
            return false;
        const uchar *p = buffer_.get();
        const quint32 leaves = u32(p + 4);
        if (leaves > usable_ / 4 - 2)
            return problem(QStringLiteral("freelist trunk page %1 lists %2 pages").arg(trunk).arg(leaves));
        for (quint32 i = 0; i < leaves; ++i)
            if (!use(u32(p + 8 + 4 * i), "freelist leaf"))
                return false;
        counted += 1 + leaves;
        trunk = u32(p);
    }
    if (counted != total)
        return problem(QStringLiteral("freelist count is %1 but %2 pages are on the list").arg(total).arg(counted));
    return true;
}

bool Checker::checkPage(const Pending &pending, const uchar *base, bool table, std::vector<Pending> &next,
                        bool *leaf)
{
    const quint32 number = pending.page;
    const uchar *end = base + usable_;
    const uchar *h = base + (number == 1 ? 100 : 0);
    const uchar type = h[0];
    const bool kindOk = table ? (type == 5 || type == 13) : (type == 2 || type == 10);
    if (!kindOk)
        return problem(QStringLiteral("page %1 is not a page of its tree (type %2)").arg(number).arg(type));
    *leaf = type & 8;
    const quint32 header = *leaf ? 8 : 12;
    const quint32 cells = u16(h + 3);
    const quint32 content = u16(h + 5) == 0 ? 65536 : u16(h + 5);
    const quint32 pointers = quint32(h - base) + header + 2 * cells;
    if (pointers > usable_ || content < pointers || content > usable_)
        return problem(QStringLiteral("page %1: %2 cells do not fit the page").arg(number).arg(cells));

    // Free blocks in the cell content area, in ascending order.
    quint32 free = u16(h + 1);
    for (int guard = 0; free != 0; ++guard) {
        if (guard > int(usable_ / 4) || free < pointers || free + 4 > usable_)
            return problem(QStringLiteral("page %1: free block at %2 outside its content").arg(number).arg(free));
        const quint32 after = u16(base + free);
        const quint32 size = u16(base + free + 2);
        if (free + size > usable_ || (after != 0 && after <= free + size))
            return problem(QStringLiteral("page %1: free blocks out of order at %2").arg(number).arg(free));
        free = after;
    }

    // SQLite's limits of what a cell keeps on its page (the rest overflows).
    const quint64 maxLocal = table ? usable_ - 35 : (quint64(usable_ - 12) * 64 / 255) - 23;
    const quint64 minLocal = (quint64(usable_ - 12) * 32 / 255) - 23;
    std::optional<qint64> previous; // the key of the cell before, in a table
    for (quint32 i = 0; i < cells; ++i) {
        const quint32 offset = u16(h + header + 2 * i);
        if (offset < content || offset + 4 > usable_)
            return problem(QStringLiteral("page %1: cell %2 at offset %3 outside its content").arg(number).arg(i).arg(offset));
        const uchar *p = base + offset;
        quint32 child = 0;
        if (!*leaf) {
            child = u32(p);
            p += 4;
        }
        // A table's interior cell holds a child and a key; every other cell
        // holds a value (a row, an index entry) that may overflow.
        const bool hasPayload = !(table && !*leaf);
        quint64 payload = 0, key = 0;
        int n = 0;
        if (hasPayload) {
            if ((n = varint(p, end, &payload)) == 0)
                return problem(QStringLiteral("page %1: cell %2 runs off the page").arg(number).arg(i));
            p += n;
        }
        if (table) {
            if ((n = varint(p, end, &key)) == 0)
                return problem(QStringLiteral("page %1: cell %2 runs off the page").arg(number).arg(i));
            p += n;
            const qint64 k = qint64(key);
            if ((previous && k <= *previous) || (pending.hasLow && k <= pending.low)
                || (pending.hasHigh && k > pending.high))
                return problem(QStringLiteral("page %1: rowid %2 out of order").arg(number).arg(k));
        }
        if (hasPayload) {
            quint64 local = payload;
            if (payload > maxLocal) {
                const quint64 k = minLocal + (payload - minLocal) % (usable_ - 4);
                local = k <= maxLocal ? k : minLocal;
                if (p + local + 4 > end)
                    return problem(QStringLiteral("page %1: cell %2 runs off the page").arg(number).arg(i));
                overflowFirst_.push_back(u32(p + local));
                overflowPages_ += (payload - local + usable_ - 5) / (usable_ - 4);
                p += local + 4;
            } else {
                p += local;
            }
            if (p > end)
                return problem(QStringLiteral("page %1: cell %2 runs off the page").arg(number).arg(i));
        }
        if (!*leaf) {
            // The keys under a table's child lie above the key before and
            // up to its own.
            Pending down{child};
            if (table) {
                down.hasLow = previous.has_value() || pending.hasLow;
                down.low = previous ? *previous : pending.low;
                down.hasHigh = true;
                down.high = qint64(key);
            }
            next.push_back(down);
        }
        if (table)
            previous = qint64(key);
    }
    if (!*leaf) {
        Pending right{u32(h + 8)};
        if (table) {
            right.hasLow = previous.has_value() || pending.hasLow;
            right.low = previous ? *previous : pending.low;
            right.hasHigh = pending.hasHigh;
            right.high = pending.high;
        }
        next.push_back(right);
    }
    return true;
}

// A tree level by level, the pages of a level in the order of the file,
// runs of adjacent pages read at once; every page of a level is a leaf or
// none is.
void Checker::checkTree(quint32 root)
{
    std::vector<Pending> level{Pending{root}};
    bool table = false;
    bool first = true;
    while (!level.empty()) {
        std::sort(level.begin(), level.end(), [](const Pending &a, const Pending &b) { return a.page < b.page; });
        for (const Pending &p : level)
            if (!use(p.page, "tree"))
                return;
        treePages_ += level.size();
        std::vector<Pending> next;
        std::optional<bool> leaves;
        for (size_t i = 0; i < level.size();) {
            size_t j = i + 1;
            while (j < level.size() && level[j].page == level[j - 1].page + 1 && j - i < 256)
                ++j;
            if (!readRun(level[i].page, quint32(j - i)))
                return;
            if (first) {
                const uchar *r = buffer_.get() + (root == 1 ? 100 : 0);
                table = r[0] == 5 || r[0] == 13;
                first = false;
            }
            for (size_t k = i; k < j; ++k) {
                bool leaf = false;
                if (!checkPage(level[k], buffer_.get() + (k - i) * pageSize_, table, next, &leaf))
                    return;
                if (leaves && *leaves != leaf) {
                    problem(QStringLiteral("tree of page %1: leaves at different depths").arg(root));
                    return;
                }
                leaves = leaf;
            }
            i = j;
        }
        level = std::move(next);
    }
}

Result Checker::run(const QList<quint32> &roots)
{
    uchar head[100];
    if (::pread(file_.handle(), head, 100, 0) != 100) {
        problem(QStringLiteral("the file is shorter than its header"));
        return result_;
    }
    if (std::memcmp(head, "SQLite format 3\0", 16) != 0) {
        problem(QStringLiteral("not a database header"));
        return result_;
    }
    pageSize_ = u16(head + 16) == 1 ? 65536 : u16(head + 16);
    if (pageSize_ < 512 || pageSize_ > 65536 || (pageSize_ & (pageSize_ - 1)) != 0) {
        problem(QStringLiteral("page size %1 in the header").arg(pageSize_));
        return result_;
    }
    usable_ = pageSize_ - head[20];
    if (usable_ < 480 || head[21] != 64 || head[22] != 32 || head[23] != 32) {
        problem(QStringLiteral("page layout in the header is not SQLite's"));
        return result_;
    }
    // A file that vacuums itself keeps pointer-map pages, which this check
    // does not read; one in write-ahead mode is more than this file.
    if (u32(head + 52) != 0 || head[18] != 1 || head[19] != 1) {
        result_.undecided = true;
        return result_;
    }
    const qint64 size = file_.size();
    if (size % pageSize_ != 0)
        problem(QStringLiteral("file size %1 is not a multiple of the page size %2").arg(size).arg(pageSize_));
    const quint64 filePages = quint64(size) / pageSize_;
    pages_ = quint32(filePages);
    const quint32 inHeader = u32(head + 28);
    if (inHeader != 0 && u32(head + 24) == u32(head + 92)) {
        if (inHeader > filePages) {
            problem(QStringLiteral("the header counts %1 pages, the file holds %2").arg(inHeader).arg(filePages));
            return result_;
        }
        pages_ = inHeader; // pages past the count are not part of the database
    }
    pendingPage_ = kPendingByte / pageSize_ + 1;
    used_.assign(size_t(pages_) + 1, false);

    if (!checkFreeList(u32(head + 32), u32(head + 36)))
        return result_;
    QList<quint32> trees{1};
    trees += roots;
    for (quint32 root : trees) {
        checkTree(root);
        if (!result_.problems.isEmpty())
            return result_;
    }
    // Each overflowing value has its own first overflow page, none of them
    // a page of a tree or of the free list.
    for (quint32 first : overflowFirst_)
        if (!use(first, "overflow"))
            return result_;
    const quint64 accounted = treePages_ + overflowPages_ + u32(head + 36) + (pendingPage_ <= pages_ ? 1 : 0);
    if (accounted != pages_)
        problem(QStringLiteral("%1 pages in the file, %2 accounted for by the trees, their overflow and the free list")
                    .arg(pages_).arg(accounted));
    return result_;
}

} // namespace

Result check(QFile &file, const QList<quint32> &roots)
{
    return Checker(file).run(roots);
}

Result check(const QString &file, const QList<quint32> &roots)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly)) {
        Result r;
        r.problems << QStringLiteral("cannot be read: %1").arg(f.errorString());
        return r;
    }
    return Checker(f).run(roots);
}

QList<quint32> rootPages(SqliteDb &db)
{
    QList<quint32> roots;
    SqliteStatement st = db.prepare(QStringLiteral("select rootpage from sqlite_master where rootpage > 0"));
    while (st.step())
        roots << quint32(st.integer(0));
    return roots;
}

} // namespace PageCheck
