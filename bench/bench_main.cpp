// tavolin_bench: prints speed figures for the hot paths. It never decides pass or fail.
//
//   tavolin_bench              runs every section
//   tavolin_bench NAME...      runs the named sections
//   tavolin_bench --list       lists the sections
//
// A section is a function that prints one or more lines of the form
//   "<section> <case>: <what> = <rate>"
// To add one, write the function and add a row to sections().

#include "bench/bench_chat.h"
#include "bench/bench_mpeg.h"
#include "protocol/framereader.h"
#include "protocol/wireformat.h"

#ifdef TAVOLIN_BENCH_CONNECTIONS
#include "bench/bench_connections.h"
#endif
#ifdef TAVOLIN_BENCH_SHARE
#include "bench/bench_share.h"
#endif

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <cstdio>
#include <cstring>

namespace {

struct Section {
    const char* name;
    const char* description;
    void (*run)();
};

double perSecond(double amount, qint64 nanoseconds)
{
    return nanoseconds > 0 ? amount * 1e9 / double(nanoseconds) : 0.0;
}

// Feeds `count` frames of `payloadSize` bytes to a reader in socket-sized pieces and prints
// the frame and byte rates.
void benchFrameReader(const char* caseName, int count, qsizetype payloadSize, qsizetype readSize)
{
    const QByteArray one = BuildFrame(404, QByteArray(payloadSize, 'x'));
    QByteArray stream;
    stream.reserve(one.size() * count);
    for (int i = 0; i < count; ++i)
        stream += one;

    QElapsedTimer timer;
    timer.start();
    FrameReader reader;
    qint64 frames = 0;
    qint64 payloadBytes = 0;
    for (qsizetype pos = 0; pos < stream.size(); pos += readSize) {
        reader.append(stream.constData() + pos, qMin(readSize, stream.size() - pos));
        while (auto frame = reader.next()) {
            ++frames;
            payloadBytes += frame->payload.size();
        }
    }
    const qint64 ns = timer.nsecsElapsed();

    if (frames != count || payloadBytes != qint64(count) * payloadSize)
        std::printf("frame_reader %s: WRONG RESULT (%lld frames)\n", caseName, frames);
    std::printf("frame_reader %s: %lld frames in %.1f ms = %.0f frames/s, %.1f MB/s\n", caseName,
                frames, double(ns) / 1e6, perSecond(double(frames), ns),
                perSecond(double(stream.size()) / 1e6, ns));
}

void frameReader()
{
    benchFrameReader("small_frames", 1'000'000, 20, 4096);
    benchFrameReader("large_frames", 100'000, 2000, 4096);
}

const QList<Section>& sections()
{
    static const QList<Section> table{
        {"frame_reader", "frames from 4 KiB reads: small and 2,000-byte payloads", frameReader},
#ifdef TAVOLIN_BENCH_CONNECTIONS
        {"connections", "frames through one loopback connection; 50 servers connected at once",
         benchConnections},
#endif
        {"chat", "tagged lines converted and appended to a shown output view; 20 full pages",
         benchChat},
        {"mpeg", "2,000 MP3 files: TMPEGAudio vs TagLib; sync search through 1 GB without frames",
         benchMpeg},
#ifdef TAVOLIN_BENCH_SHARE
        {"share", "scan of 20,000 files in 400 folders (half MP3) and the upload after login",
         benchShare},
#endif
    };
    return table;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc > 1 && std::strcmp(argv[1], "--list") == 0) {
        for (const Section& section : sections())
            std::printf("%-16s %s\n", section.name, section.description);
        return 0;
    }

    QList<const Section*> chosen;
    for (int i = 1; i < argc; ++i) {
        const Section* found = nullptr;
        for (const Section& section : sections()) {
            if (std::strcmp(section.name, argv[i]) == 0)
                found = &section;
        }
        if (!found) {
            std::fprintf(stderr, "tavolin_bench: no section \"%s\" (try --list)\n", argv[i]);
            return 2;
        }
        chosen.append(found);
    }
    if (chosen.isEmpty()) {
        for (const Section& section : sections())
            chosen.append(&section);
    }

    for (const Section* section : chosen)
        section->run();
    return 0;
}
