#include "bench/bench_chat.h"

#include "chat/chatlinemodel.h"
#include "chat/irctags.h"

#ifdef TAVOLIN_BENCH_CHAT_VIEW
#include "ui/fatmemo.h"

#include <QApplication>
#endif

#include <QByteArray>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <cstdio>
#include <memory>
#include <unistd.h>
#include <vector>

namespace {

double perSecond(double amount, qint64 nanoseconds)
{
    return nanoseconds > 0 ? amount * 1e9 / double(nanoseconds) : 0.0;
}

// A channel line as the handlers build it: time stamp in lime, nickname in blue brackets,
// then the message; every tenth carries a web address. Its display text is `width`
// characters long, and every line differs, so that nothing is shared between lines.
QByteArray channelLine(qint64 n, int width = 100)
{
    // Tags as octal escapes: \003 colour, \017 reset.
    QByteArray line = "\0039[" + QByteArray::number(10 + n % 14) + ':' +
                      QByteArray::number(10 + n % 50) + "]\017 \00312<\017user" +
                      QByteArray::number(n % 997) + "\00312>\017 ";
    if (n % 10 == 0)
        line += "see www.example.org/page" + QByteArray::number(n) + ' ';
    line += "message " + QByteArray::number(n) + ' ';
    const qsizetype plain = StripTags(line).size() - 5; // the five colour digits
    if (plain < width)
        line += QByteArray(width - plain, char('a' + n % 26));
    return line;
}

void convertOnly(int count)
{
    QList<QByteArray> lines;
    lines.reserve(count);
    for (int i = 0; i < count; ++i)
        lines << channelLine(i);
    QElapsedTimer timer;
    timer.start();
    qsizetype characters = 0;
    for (const QByteArray& line : std::as_const(lines))
        characters += ConvertTaggedLine(line).text.size();
    const qint64 ns = timer.nsecsElapsed();
    std::printf("chat convert: %d lines (%lld characters) in %.1f ms = %.0f lines/s\n", count,
                qint64(characters), double(ns) / 1e6, perSecond(count, ns));
}

void hostile()
{
    const struct {
        const char* name;
        QByteArray line;
    } cases[] = {
        {"60,000-byte message", "<\00312nick\017> " + QByteArray(60000, 'x')},
        {"60,000 colour tags", QByteArray(60000, '\x03')},
        {"colour change every character", QByteArray("\0034a\00312b").repeated(6000)},
        {"10,000-character word with http://",
         QByteArray(5000, 'a') + "http://" + QByteArray(5000, 'b')},
        {"20,000 link starts, no end", QByteArray("\031ab").repeated(20000)},
        {"12,000 short links", QByteArray("www. ").repeated(12000)},
    };
    for (const auto& c : cases) {
        QElapsedTimer timer;
        timer.start();
        const TaggedLineParts parts = ConvertTaggedLine(c.line);
        const qint64 ns = timer.nsecsElapsed();
        std::printf("chat hostile %s: %lld bytes, %lld runs, converted in %.2f ms\n", c.name,
                    qint64(c.line.size()), qint64(parts.runs.size()), double(ns) / 1e6);
    }
}

#ifdef TAVOLIN_BENCH_CHAT_VIEW
// Resident set size from /proc/self/statm, in bytes.
qint64 residentBytes()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return -1;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    if (fields.size() < 2)
        return -1;
    return fields.at(1).toLongLong() * sysconf(_SC_PAGESIZE);
}

// Lines come in bursts, as from one socket read; the event loop runs between bursts, and with
// it the view's scroll bar sync and paint (at most 40 a second). `paintEachBurst` forces a
// full repaint after every burst instead.
void appendToShownView(int count, int burst, bool batched, bool paintEachBurst = false)
{
    QList<QByteArray> lines;
    lines.reserve(count);
    for (int i = 0; i < count; ++i)
        lines << channelLine(i);

    ChatLineModel model;
    TFatMemo memo;
    memo.setModel(&model);
    memo.resize(800, 600);
    memo.show();
    QCoreApplication::processEvents();

    QElapsedTimer timer;
    timer.start();
    for (int first = 0; first < count; first += burst) {
        const int size = qMin(burst, count - first);
        if (batched) {
            model.appendLines(lines.mid(first, size));
        } else {
            for (int i = first; i < first + size; ++i)
                model.appendLine(lines.at(i));
        }
        QCoreApplication::processEvents();
        if (paintEachBurst)
            memo.viewport()->repaint();
    }
    // The last lines drawn too.
    while (memo.isSyncPending())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    QCoreApplication::processEvents();
    const qint64 ns = timer.nsecsElapsed();
    std::printf("chat append_%s_burst_%d%s: %d lines to a shown view (kept %d) in %.1f ms = %.0f "
                "lines/s (target 50,000)\n",
                batched ? "batched" : "single", burst, paintEachBurst ? "_painted" : "", count,
                model.lineCount(), double(ns) / 1e6, perSecond(count, ns));
}

void twentyPages()
{
    const int pages = 20;
    const int perPage = ChatLineModel::DefaultMaxLines;
    const qint64 before = residentBytes();
    std::vector<std::unique_ptr<ChatLineModel>> models;
    std::vector<std::unique_ptr<TFatMemo>> views;
    qint64 n = 0;
    for (int page = 0; page < pages; ++page) {
        models.push_back(std::make_unique<ChatLineModel>());
        views.push_back(std::make_unique<TFatMemo>());
        views.back()->setModel(models.back().get());
        views.back()->resize(800, 600);
        for (int i = 0; i < perPage; ++i)
            models.back()->appendLine(channelLine(n++));
    }
    // One page is on screen, as in the window.
    views.front()->show();
    QCoreApplication::processEvents();
    views.front()->viewport()->repaint();
    const qint64 after = residentBytes();
    qsizetype characters = 0;
    for (const auto& model : models)
        characters += model->parts(0).text.size();
    std::printf("chat memory_20_pages: %d pages x %d lines of %lld characters: resident set "
                "grew by %.1f MB = %.0f bytes per line (target under 200 MB)\n",
                pages, perPage, qint64(characters / pages), double(after - before) / 1e6,
                double(after - before) / (double(pages) * perPage));
}
#endif

} // namespace

void benchChat()
{
    convertOnly(200'000);
    hostile();
#ifdef TAVOLIN_BENCH_CHAT_VIEW
    static int argc = 1;
    static char name[] = "tavolin_bench";
    static char* argv[] = {name, nullptr};
    std::unique_ptr<QApplication> app;
    if (!QCoreApplication::instance()) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        app = std::make_unique<QApplication>(argc, argv);
    }
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) {
        std::printf("chat append: skipped (no widget application)\n");
        return;
    }
    // Memory first, before the other cases leave freed heap behind.
    twentyPages();
    appendToShownView(100'000, 1000, false);
    appendToShownView(100'000, 50, false);
    appendToShownView(100'000, 1000, true);
    // Worst case: a full repaint after every 50 lines, each showing only new lines.
    appendToShownView(100'000, 50, false, true);
#else
    std::printf("chat append: skipped (built without the widgets)\n");
#endif
}
