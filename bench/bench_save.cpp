// The note editor's save on a large notebook against a small one: 100,000
// notes against 100, the editor opened from the main window as the user
// opens it, no note search window open, and "保存并新增" pressed again and
// again with a note of a few hundred characters. The save stores the note,
// advances the counter and reopens the shared notes dataset, which no
// window shows.
//
// Each block of saves runs in a fresh process (this program started again
// with --block), the two sizes in turns; the medians of the saves are
// compared, with each side's peak memory. A save waits for the disk twice
// (SQLite's commit), which makes its time noisy on a shared machine, so the
// instructions of a save are also counted under callgrind when valgrind is
// installed.
//
//   bench_save [notes]     default 100000 (against 100)
#include "benchdata.h"
#include "benchsupport.h"

#include "app/unitmain.h"
#include "data/schema.h"
#include "data/unitdm.h"
#include "data/unitpath.h"
#include "notes/unitjszj.h"
#include "ui/messages.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QTemporaryDir>
#include <cstdio>

#if __has_include(<valgrind/callgrind.h>)
#include <valgrind/callgrind.h>
#else
#define CALLGRIND_TOGGLE_COLLECT
#endif

using namespace BenchData;
using namespace BenchSupport;

namespace {

// Every box answered with OK, as the user would.
class OkResponder : public Messages::Responder {
public:
    bool answer(const Messages::Shown &) override { return true; }
    QString fileName(const Messages::Shown &) override { return {}; }
};

// A block of saves in the notebook of `folder`: the main window made, the
// editor opened from the menu, one save to warm, then `saves` timed ones,
// each printed as "ms <time>".
int saveBlock(int argc, char *argv[], const QString &folder, int saves)
{
    QApplication app(argc, argv);
    OkResponder ok;
    Messages::setResponder(&ok);
    setAppPath(QDir::toNativeSeparators(folder));
    DM = new TDM();
    Formmain = new TFormmain();
    Formmain->Timer1->stop();
    Formmain->Timer2->stop();
    Formmain->resize(1280, 900);
    Formmain->show();
    Formmain->N2->trigger();
    TFormjszj *editor = Formjszj;
    QRandomGenerator rng(7);
    const auto save = [&](bool counted) {
        editor->RichEdit1->setPlainText(chineseText(rng));
        QElapsedTimer t;
        t.start();
        if (counted)
            CALLGRIND_TOGGLE_COLLECT;
        editor->BitBtn1->click();
        if (counted)
            CALLGRIND_TOGGLE_COLLECT;
        return msSince(t);
    };
    save(false);
    for (int i = 0; i < saves; ++i)
        std::printf("ms %.3f\n", save(true));
    std::fflush(stdout);
    std::_Exit(0); // tearing down is not the save
}

void addBlock(const QString &self, const QString &folder, int saves, Runs &runs)
{
    const ChildRun run = runChild(self, {QStringLiteral("--block"), folder, QString::number(saves)});
    for (const QByteArray &line : run.out.split('\n'))
        if (line.startsWith("ms "))
            runs.ms.push_back(line.mid(3).toDouble());
    runs.peakMb = std::max(runs.peakMb, run.peakMb);
    if (run.exitCode != 0)
        std::fprintf(stderr, "block on %s failed: %s\n", qPrintable(folder), run.err.constData());
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc > 3 && std::string(argv[1]) == "--block")
        return saveBlock(argc, argv, QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]).toInt());

    QCoreApplication app(argc, argv);
    const int notes = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 100000;
    const QString self = QCoreApplication::applicationFilePath();
    QTemporaryDir small, large;
    for (const auto &[dir, count] : {std::pair<QTemporaryDir *, int>{&small, 100}, {&large, notes}}) {
        const QString file = dir->filePath(QStringLiteral("jsbdbf.mdb"));
        Schema::createDatabase(file);
        fillNotes(file, count);
    }
    std::printf("note editor save, no note search window open: %d notes against 100\n", notes);
    Runs smallRuns, largeRuns;
    for (int block = 0; block < 5; ++block) {
        addBlock(self, small.path(), 7, smallRuns);
        addBlock(self, large.path(), 7, largeRuns);
    }
    printRuns("save with 100 notes:", smallRuns);
    printRuns(qPrintable(QStringLiteral("save with %1 notes:").arg(notes)), largeRuns);
    bool within = printRatio("large notebook against small:", largeRuns, smallRuns, 1.2);

    constexpr int counted = 5;
    const qint64 smallIr = callgrindInstructions(self, {QStringLiteral("--block"), small.path(), QString::number(counted)});
    const qint64 largeIr = callgrindInstructions(self, {QStringLiteral("--block"), large.path(), QString::number(counted)});
    if (smallIr > 0 && largeIr > 0) {
        const double ratio = double(largeIr) / double(smallIr);
        std::printf("  %-34s %9.2f M  (100 notes) against %.2f M  (%d notes): %.2f x (target at most 1.2 x)%s\n",
                    "instructions a save (callgrind):", double(smallIr) / counted / 1e6,
                    double(largeIr) / counted / 1e6, notes, ratio, ratio <= 1.2 ? "" : "  OUTSIDE");
        within = within && ratio <= 1.2;
    }
    return within ? 0 : 1;
}
