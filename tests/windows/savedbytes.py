#!/usr/bin/env python3
"""savedbytes.py DUMP [--cut N] > FILE

The measurements file that ZOLprint saves after reading DUMP from a meter
(its first N bytes, the line lost after them, with --cut): the meter's
character table, a page at each form feed, the part-page after the last form
feed counted when the line was lost and it holds more than the form feed's
space, or when it holds text of its own; then the file's header, each page
followed by a form-feed line, END and the counter. Worked out from the
meter's bytes alone, so that the Windows build's file is checked against
what those bytes must give, not against its own logic.
"""
import sys

# The meter's accented letters: code page 437.
TABLE = dict(zip(range(128, 155), "ÇüéâäàåçêëèïîìÄÅÉæÆôöòûùÿÖÜ"))
TABLE.update({160: "á", 161: "í", 162: "ó", 163: "ú", 164: "ñ", 165: "Ñ", 167: "º"})
LAST_PAGE = 100


def decode(byte):
    if byte in (10, 13):
        return chr(byte)
    if byte < 32:
        return ""
    if byte in TABLE:
        return TABLE[byte]
    return bytes([byte]).decode("cp1252", errors="replace").replace("\ufffd", "?")


def pages_of(dump, line_lost):
    pages, fill = [""], 0
    for byte in dump:
        if byte == 12:
            if fill < LAST_PAGE:
                fill += 1
                pages.append("")
            pages[fill] += " "
        else:
            pages[fill] += decode(byte)
    tail = pages[fill]
    space = 1 if fill > 0 else 0
    counts = len(tail) > space if line_lost else tail[space:].strip() != ""
    return pages[: fill + 1] if counts and fill < LAST_PAGE else pages[:fill]


def main():
    args = sys.argv[1:]
    cut = None
    if "--cut" in args:
        at = args.index("--cut")
        cut = int(args[at + 1])
        del args[at : at + 2]
    dump = open(args[0], "rb").read()
    if cut is not None:
        dump = dump[:cut]
    pages = pages_of(dump, cut is not None)
    text = "ZOL 0000\r\n"
    for page in pages:
        text += page + "\r\n\f\r\n"
    text += "END\r\n%d\r\n" % (len(pages) - 2)
    sys.stdout.buffer.write(text.encode("cp1252", errors="replace"))


main()
