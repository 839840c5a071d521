#pragma once

#include <QByteArray>

// The ZOL6's frames as they go over the line, byte for byte: STX, a letter,
// three length digits, the data, ETX and the check character. They are
// written out whole, check included, so that a reader can hold each one
// against the protocol by eye and no test computes what it then expects.
// The check is the exclusive-or of STX through ETX, lifted by 32 when it
// falls below 32.
namespace zol::test {

using namespace Qt::StringLiterals;

// The tool's commands.
inline const QByteArray kVersionCommand = "\x02"
                                          "V000"
                                          "\x03"
                                          "g"_ba;
inline const QByteArray kClearNameCommand = "\x02"
                                            "Y000"
                                            "\x03"
                                            "h"_ba;
// "Program user name" with the name padded to the twelve the meter keeps.
inline const QByteArray kProgramAbCommand = "\x02"
                                            "X012"
                                            "AB          "
                                            "\x03"
                                            "i"_ba;
inline const QByteArray kProgramAbcCommand = "\x02"
                                             "X012"
                                             "ABC         "
                                             "\x03"
                                             "*"_ba; // 0x0A lifted
inline const QByteArray kProgramTwelveCommand = "\x02"
                                                "X012"
                                                "ABCDEFGHIJKL"
                                                "\x03"
                                                "f"_ba;
// The euro sign, a Cyrillic Zhe and e acute: 0x80, '?' for the letter the
// code page lacks, 0xE9.
inline const QByteArray kProgramEuroZheECommand = "\x02"
                                                  "X012"
                                                  "\x80"
                                                  "?"
                                                  "\xE9"
                                                  "         "
                                                  "\x03"
                                                  "<"_ba;

// The meter's short replies.
inline const QByteArray kOkReply = "\x02"
                                   "o000"
                                   "\x03"
                                   "^"_ba;
inline const QByteArray kErrorReply = "\x02"
                                      "f000"
                                      "\x03"
                                      "W"_ba;
inline const QByteArray kCurveReply = "\x02"
                                      "w000"
                                      "\x03"
                                      "F"_ba;

// A meter's version record, 44 characters: meter name NUL-padded to 8,
// hardware 4, software 4, serial 8 (this one with a NUL inside), 12 of
// calibration the tool does not show, battery status 1.
inline const QByteArray kVersionReply = "\x02"
                                        "v000"
                                        "ZOL6\0\0\0\0"
                                        "HW12"
                                        "6.03"
                                        "0012\0"
                                        "456"
                                        "ABCDEFGHIJKL"
                                        "2"
                                        "\x03"
                                        "%"_ba;

// What zolmeter's ZOL6 answers to kVersionCommand when started without
// options: its length digits count the 37 data characters, and its
// calibration is twelve NULs.
inline const QByteArray kZolmeterVersionReply = "\x02"
                                                "v037"
                                                "ZOL6\0\0\0\0"
                                                "1.20"
                                                "6.05"
                                                "00012345"
                                                "\0\0\0\0\0\0\0\0\0\0\0\0"
                                                "G"
                                                "\x03"
                                                "j"_ba;

} // namespace zol::test
