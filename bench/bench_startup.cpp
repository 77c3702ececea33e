// Start-up time: from process start to the main window shown, for the
// program's main window against a bare Qt main window, in the same run.
// Each is started as a fresh process several times, alternately; the
// medians are compared.
//
//   bench_startup [runs]     default 15
#include "app/startup.h"
#include "app/unitmain.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QMainWindow>
#include <QProcess>
#include <QTimer>
#include <QWindow>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

// Child: show the window and quit as soon as it is exposed.
enum class Mode { Bare, BareWithText, Full };

int child(int argc, char *argv[], Mode mode)
{
    QApplication app(argc, argv);
    QWidget *window = nullptr;
    if (mode == Mode::Full) {
        Startup::createWindows();
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

double runOnce(const QString &self, const char *mode)
{
    QElapsedTimer t;
    t.start();
    QProcess p;
    p.start(self, {QString::fromLatin1(mode)});
    p.waitForFinished(30000);
    return double(t.nsecsElapsed()) / 1e6;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
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
    runOnce(self, "--bare"); // warm the caches
    runOnce(self, "--text");
    runOnce(self, "--full");
    std::vector<double> bare, text, full;
    for (int i = 0; i < runs; ++i) {
        bare.push_back(runOnce(self, "--bare"));
        text.push_back(runOnce(self, "--text"));
        full.push_back(runOnce(self, "--full"));
    }
    const double b = median(bare), t = median(text), f = median(full);
    std::printf("bare Qt main window shown:            %7.1f ms (median of %d)\n", b, runs);
    std::printf("bare window with one Chinese label:   %7.1f ms\n", t);
    std::printf("Quorvane main window shown:           %7.1f ms\n", f);
    std::printf("start-up adds to the bare window:     %7.1f %%\n", (f / b - 1) * 100);
    std::printf("start-up adds to the labelled window: %7.1f %%\n", (f / t - 1) * 100);
    return f <= b * 1.2 ? 0 : 1;
}
