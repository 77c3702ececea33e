// What the benchmarks measure with: times taken in turns and summed up by
// their median (the machine is shared: a median is the typical run, the
// best one the least disturbed), and the peak resident memory of a part of
// the run.
#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QStringList>
#include <QTemporaryFile>
#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace BenchSupport {

struct Runs {
    std::vector<double> ms;
    double peakMb = 0; // the highest peak of a single run

    double median() const
    {
        std::vector<double> v = ms;
        std::sort(v.begin(), v.end());
        return v.empty() ? 0 : v[v.size() / 2];
    }
    double best() const { return ms.empty() ? 0 : *std::min_element(ms.begin(), ms.end()); }
};

// The time since `t` started, in ms.
inline double msSince(const QElapsedTimer &t)
{
    return double(t.nsecsElapsed()) / 1e6;
}

// The peak resident memory of this process since the last reset, in MB.
inline double peakResidentMb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024;
    return 0;
}

// Starts a new peak at the memory the process holds now.
inline void resetPeak()
{
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5");
}

// Runs `fn` (which returns its own time in ms) and records its time and
// the peak memory it reached.
template <class Fn>
void measure(Runs &runs, Fn fn)
{
    resetPeak();
    runs.ms.push_back(fn());
    runs.peakMb = std::max(runs.peakMb, peakResidentMb());
}

// Warms both sides once, then runs them `times` times in turns.
template <class A, class B>
void inTurns(int times, Runs &a, Runs &b, A runA, B runB)
{
    runA();
    runB();
    for (int i = 0; i < times; ++i) {
        measure(a, runA);
        measure(b, runB);
    }
}

// One line of a case: the median (and the best) of one side.
inline void printRuns(const char *what, const Runs &r)
{
    std::printf("  %-34s %9.1f ms median  (best %.1f ms, %zu runs)  peak %6.1f MB\n", what, r.median(), r.best(),
                r.ms.size(), r.peakMb);
}

// The ratio of two medians against its target; true when within it.
inline bool printRatio(const char *what, const Runs &side, const Runs &base, double target)
{
    const double ratio = base.median() > 0 ? side.median() / base.median() : 0;
    const bool within = ratio <= target;
    std::printf("  %-34s %9.2f x  (target at most %.1f x)%s\n", what, ratio, target, within ? "" : "  OUTSIDE");
    return within;
}

// A program run to its end: what it wrote, its time and its own peak
// resident memory (from the kernel's account of the child).
struct ChildRun {
    QByteArray out;
    QByteArray err;
    double ms = 0;
    double peakMb = 0;
    int exitCode = -1;
};

inline ChildRun runChild(const QString &program, const QStringList &args)
{
    ChildRun run;
    QTemporaryFile out, err;
    if (!out.open() || !err.open())
        return run;
    std::vector<QByteArray> argv8{QFile::encodeName(program)};
    for (const QString &a : args)
        argv8.push_back(a.toLocal8Bit());
    std::vector<char *> argv;
    for (QByteArray &a : argv8)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    QElapsedTimer t;
    t.start();
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(out.handle(), 1);
        dup2(err.handle(), 2);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    rusage usage {};
    wait4(pid, &status, 0, &usage);
    run.ms = msSince(t);
    run.peakMb = double(usage.ru_maxrss) / 1024;
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    out.seek(0);
    err.seek(0);
    run.out = out.readAll();
    run.err = err.readAll();
    return run;
}

// The instructions a program runs between its CALLGRIND_TOGGLE_COLLECT
// marks (or, with `fromStart`, from its start), counted by callgrind; 0
// when valgrind is not installed.
inline qint64 callgrindInstructions(const QString &program, const QStringList &args, bool fromStart = false)
{
    const QString valgrind = QStandardPaths::findExecutable(QStringLiteral("valgrind"));
    if (valgrind.isEmpty())
        return 0;
    QStringList all{QStringLiteral("--tool=callgrind"), QStringLiteral("--callgrind-out-file=/dev/null")};
    if (!fromStart)
        all << QStringLiteral("--collect-atstart=no");
    all << program << args;
    const ChildRun run = runChild(valgrind, all);
    static const QRegularExpression collected(QStringLiteral("Collected : (\\d+)"));
    const QRegularExpressionMatch m = collected.match(QString::fromLocal8Bit(run.err));
    return m.hasMatch() ? m.captured(1).toLongLong() : 0;
}

} // namespace BenchSupport
