#pragma once

#include "pagestore.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

namespace zol::bench {

// A dump as a meter sends it, of about size bytes in pageCount pages (at most
// the store's last index, so that every form feed is a page break), with the
// pages the store must hold after receiving it, worked out on their own
// rather than by the decoder under test.
struct MeterDump
{
    QByteArray bytes;
    QStringList pages;
};
MeterDump makeMeterDump(qsizetype size, int pageCount);

// Where the store differs from the expected pages, in words; empty when it
// holds them exactly (and nothing else).
QString firstDifference(const PageStore &store, const QStringList &expected);

struct DecodeSpeed
{
    double decodeBytesPerSecond = 0;
    double copyBytesPerSecond = 0;
    // What one pass filed into the pages, and copied.
    qsizetype characters = 0;
    qsizetype copiedBytes = 0;
};
// Medians over repeats: the dump through the decoding into a fresh page
// store, in reads of the serial control's largest size, against appending
// the same reads to one byte array.
DecodeSpeed measureDecoding(const QByteArray &dump, int repeats);

struct FullSpeedReceive
{
    qsizetype size = 0;
    bool exact = false;
    double seconds = 0;
    // Whether the received pages, saved, open again to the same pages.
    bool reopens = false;
    qint64 fileBytes = 0; // 0 when the save was refused
    QString saveProblem;  // why it was refused
    QString problem;
};
// ZOLprint's window with the real serial control reads the dump from a
// pseudo-terminal whose other side writes it as fast as the terminal takes it.
FullSpeedReceive receiveAtFullSpeed(const MeterDump &dump, const QString &scratchDir);

} // namespace zol::bench
