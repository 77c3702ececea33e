// Start-up time: from process start to the main window shown, for the
// program's main window against a bare Qt main window (and one with a
// Chinese label, the floor of any window showing Chinese), in the same
// run. Each is started as a fresh process several times, alternately; the
// medians are compared, with each side's peak memory. When valgrind is
// installed, the instructions of one start of each are also counted under
// callgrind, which no other work on the machine disturbs.
//
//   bench_startup [runs]     default 15
#include "benchsupport.h"

#include "app/startup.h"
#include "app/unitmain.h"

#include <QApplication>
#include <QLabel>
#include <QMainWindow>
#include <QTimer>
#include <QWindow>
#include <algorithm>
#include <cstdio>
#include <vector>

#if __has_include(<valgrind/valgrind.h>)
#include <valgrind/valgrind.h>
#else
#define RUNNING_ON_VALGRIND 0
#endif

using namespace BenchSupport;

namespace {

// Child: show the window and quit as soon as it is exposed.
enum class Mode { Bare, BareWithText, Full };

int child(int argc, char *argv[], Mode mode)
{
    QApplication app(argc, argv);
    QWidget *window = nullptr;
    if (mode == Mode::Full) {
        Startup::createWindows();
        // Under valgrind a start takes seconds: the clock (1 s) and the
        // reminder check (2 s), which never come before the window in a
        // real start, would come first.
        if (RUNNING_ON_VALGRIND) {
            Formmain->Timer1->stop();
            Formmain->Timer2->stop();
        }
        Startup::showMainWindow();
        window = Formmain;
    } else {
        auto *bare = new QMainWindow();
        bare->resize(891, 620);
        // The floor that any window showing Chinese text pays: the font
        // database and a CJK face loaded for one line of text.
        if (mode == Mode::BareWithText)
            bare->setCentralWidget(new QLabel(QStringLiteral("记事本"), bare));
        bare->showMaximized();
        window = bare;
    }
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (window->windowHandle() && window->windowHandle()->isExposed())
            std::_Exit(0); // shown; tearing down is not start-up
    });
    poll.start(0);
    return app.exec();
}

void runOnce(const QString &self, const char *mode, Runs &runs)
{
    const ChildRun run = runChild(self, {QString::fromLatin1(mode)});
    runs.ms.push_back(run.ms);
    runs.peakMb = std::max(runs.peakMb, run.peakMb);
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc > 1 && std::string(argv[1]) == "--bare")
        return child(argc, argv, Mode::Bare);
    if (argc > 1 && std::string(argv[1]) == "--text")
        return child(argc, argv, Mode::BareWithText);
    if (argc > 1 && std::string(argv[1]) == "--full")
        return child(argc, argv, Mode::Full);

    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(3, QString::fromLocal8Bit(argv[1]).toInt()) : 15;
    const QString self = QCoreApplication::applicationFilePath();
    Runs warm, bare, text, full;
    runOnce(self, "--bare", warm); // warm the caches
    runOnce(self, "--text", warm);
    runOnce(self, "--full", warm);
    for (int i = 0; i < runs; ++i) {
        runOnce(self, "--bare", bare);
        runOnce(self, "--text", text);
        runOnce(self, "--full", full);
    }
    std::printf("start-up to the main window shown, fresh processes, %d runs each in turns\n", runs);
    printRuns("bare Qt main window:", bare);
    printRuns("bare window with one Chinese label:", text);
    printRuns("Quorvane main window:", full);
    std::printf("  %-34s %9.2f x\n", "against the bare window:", full.median() / bare.median());
    bool within = printRatio("against the labelled window:", full, text, 1.2);

    const qint64 textIr = callgrindInstructions(self, {QStringLiteral("--text")}, true);
    const qint64 fullIr = callgrindInstructions(self, {QStringLiteral("--full")}, true);
    if (textIr > 0 && fullIr > 0) {
        const double ratio = double(fullIr) / double(textIr);
        std::printf("  %-34s %9.1f M against %.1f M for the labelled window: %.2f x (target at most 1.2 x)%s\n",
                    "instructions of a start (callgrind):", double(fullIr) / 1e6, double(textIr) / 1e6, ratio,
                    ratio <= 1.2 ? "" : "  OUTSIDE");
        within = within && ratio <= 1.2;
    }
    return within ? 0 : 1;
}
