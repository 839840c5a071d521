#include "codepage.h"
#include "registry.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace zol;
using namespace Qt::StringLiterals;

namespace {

struct Query
{
    long status = -1;
    std::uint32_t type = 0;
    std::uint32_t size = 0;
    QByteArray bytes; // the first size bytes of the buffer
};

// Opens key under HKEY_LOCAL_MACHINE (or root), reads one value into a
// buffer of bufferSize bytes and closes the key again.
Query query(Registry &registry, const QByteArray &key, const QByteArray &value,
            Registry::Key root = Registry::kLocalMachine, int bufferSize = 1024)
{
    Query result;
    Registry::Key handle = 0;
    result.status = registry.openKey(root, key, 0x2003F, &handle);
    if (result.status != Registry::kSuccess)
        return result;
    QByteArray buffer(bufferSize, '\0');
    result.status = registry.queryValue(handle, value, &result.type, &buffer, &result.size);
    if (buffer.size() != bufferSize)
        result.status = -2; // the buffer must keep its size
    if (result.status == Registry::kSuccess)
        result.bytes = buffer.left(result.size);
    registry.closeKey(handle);
    return result;
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray utf16le(const QString &text)
{
    QByteArray bytes("\xff\xfe");
    for (const QChar c : text) {
        bytes.append(static_cast<char>(c.unicode() & 0xff));
        bytes.append(static_cast<char>(c.unicode() >> 8));
    }
    return bytes;
}

} // namespace

class RegistryTest : public QObject
{
    Q_OBJECT

private slots:
    void sampleExportFile();
    void unicodeExportAndLineEnds();
    void filesWithoutKeys();
    void badInputNeverCrashes();
};

void RegistryTest::sampleExportFile()
{
    const QString path = QFINDTESTDATA("data/sample.reg");
    QVERIFY(!path.isEmpty());
    RegistryFile registry(path);

    const Query msinfo = query(registry, "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO", "PATH");
    QCOMPARE(msinfo.status, Registry::kSuccess);
    QCOMPARE(msinfo.type, Registry::kTypeString);
    const QByteArray program =
        "C:\\Program Files\\Common Files\\Microsoft Shared\\MSInfo\\MSINFO32.EXE";
    // The size counts the closing zero, as the system's own does.
    QCOMPARE(msinfo.bytes, program + '\0');
    QCOMPARE(msinfo.size, std::uint32_t(program.size() + 1));
    // Names are matched without regard to case.
    QCOMPARE(query(registry, "software\\MICROSOFT\\shared tools\\msinfo", "path").bytes,
             program + '\0');

    const QByteArray location = "SOFTWARE\\Microsoft\\Shared Tools Location";
    QCOMPARE(query(registry, location, "Quoted").bytes, QByteArray("say \"hi\" \\o/\0", 13));
    QCOMPARE(query(registry, location, "").bytes, QByteArray("default text\0", 13));

    const QByteArray zol = "SOFTWARE\\ZOL\\Print";
    const Query pages = query(registry, zol, "Pages");
    QCOMPARE(pages.type, Registry::kTypeDword);
    QCOMPARE(pages.bytes, QByteArray("\x00\x01\x00\x00", 4));
    QCOMPARE(query(registry, zol, "Big").bytes, QByteArray("\xfe\xff\xff\xff"));
    const Query blob = query(registry, zol, "Blob");
    QCOMPARE(blob.type, Registry::kTypeBinary);
    QCOMPARE(blob.bytes, QByteArray("\x01\x02\x0a\xff\x00", 5));
    const Query expand = query(registry, zol, "Expand");
    QCOMPARE(expand.type, Registry::kTypeExpandString);
    QCOMPARE(expand.bytes, QByteArray("%\0A\0\0\0", 6));
    QCOMPARE(query(registry, zol, "After").bytes, QByteArray("still read\0", 11));
    for (const char *bad : {"Gone", "Broken", "NoValue", "BadDword", "BadHex", "Missing"})
        QCOMPARE(query(registry, zol, bad).status, Registry::kFileNotFound);

    // A value larger than the buffer says how much it needs.
    const Query tooSmall = query(registry, zol, "After", Registry::kLocalMachine, 4);
    QCOMPARE(tooSmall.status, Registry::kMoreData);
    QCOMPARE(tooSmall.size, std::uint32_t(11));

    // Keys above a listed key exist too; others, deleted ones and unknown
    // roots do not.
    QCOMPARE(query(registry, "SOFTWARE\\Microsoft", "x").status, Registry::kFileNotFound);
    Registry::Key handle = 0;
    QCOMPARE(registry.openKey(Registry::kLocalMachine, "SOFTWARE\\Microsoft", 0x2003F, &handle),
             Registry::kSuccess);
    // A key opened below an open one.
    Registry::Key below = 0;
    QCOMPARE(registry.openKey(handle, "Shared Tools\\MSINFO", 0x2003F, &below), Registry::kSuccess);
    std::uint32_t type = 0;
    std::uint32_t size = 0;
    QCOMPARE(registry.queryValue(below, "PATH", &type, nullptr, &size), Registry::kSuccess);
    QCOMPARE(size, std::uint32_t(program.size() + 1));
    QCOMPARE(registry.openHandleCount(), 2);
    QCOMPARE(registry.closeKey(below), Registry::kSuccess);
    QCOMPARE(registry.closeKey(handle), Registry::kSuccess);
    QCOMPARE(registry.closeKey(handle), Registry::kInvalidHandle);
    QCOMPARE(registry.closeKey(0), Registry::kInvalidHandle);
    QCOMPARE(registry.openHandleCount(), 0);
    QCOMPARE(registry.queryValue(handle, "PATH", &type, nullptr, &size), Registry::kInvalidHandle);

    QCOMPARE(query(registry, "SOFTWARE\\Microsoft\\Shared", "PATH").status,
             Registry::kFileNotFound);
    QCOMPARE(query(registry, "Software\\Old", "Old", Registry::kCurrentUser).status,
             Registry::kFileNotFound);
    QCOMPARE(registry.openKey(0x1234, "SOFTWARE", 0, &handle), Registry::kInvalidHandle);
    QCOMPARE(registry.keyCount(), 3);
}

void RegistryTest::unicodeExportAndLineEnds()
{
    const QString text = u"Windows Registry Editor Version 5.00\r\n\r\n"
                         u"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Shared Tools Location]\r\n"
                         u"\"MSINFO\"=\"D:\\\\Caf\u00e9 \u20ac\"\r\n"
                         u"\"Expand\"=hex(2):25,00,e9,00,00,00\r\n"_s;
    const RegistryFile fromUtf16 = RegistryFile::fromText(utf16le(text));
    RegistryFile registry = fromUtf16;
    const QByteArray location = "SOFTWARE\\Microsoft\\Shared Tools Location";
    // What the ANSI calls hand over: Windows-1252 bytes.
    QCOMPARE(query(registry, location, "MSINFO").bytes, QByteArray("D:\\Caf\xe9 \x80\0", 10));
    QCOMPARE(query(registry, location, "Expand").bytes, QByteArray("%\xe9\0", 3));

    // UTF-8 with its mark, and lines ended by a lone CR or LF.
    QByteArray utf8 = "\xef\xbb\xbfREGEDIT4\r[HKEY_LOCAL_MACHINE\\A]\n\"V\"=\"\xc3\xa9\"\r";
    RegistryFile fromUtf8 = RegistryFile::fromText(utf8);
    QCOMPARE(query(fromUtf8, "A", "V").bytes, QByteArray("\xe9\0", 2));

    // REGEDIT4 itself is in the ANSI code page.
    RegistryFile ansi = RegistryFile::fromText("REGEDIT4\n[HKLM\\A]\n\"V\"=\"\xe9\x80\"\n");
    QCOMPARE(query(ansi, "A", "V").bytes, QByteArray("\xe9\x80\0", 3));
}

void RegistryTest::filesWithoutKeys()
{
    QTemporaryDir dir;
    QCOMPARE(RegistryFile(dir.filePath(u"missing.reg"_s)).keyCount(), 0);
    QCOMPARE(RegistryFile(dir.path()).keyCount(), 0);
    for (const QByteArray &bytes :
         {QByteArray(), QByteArray("[HKEY_LOCAL_MACHINE\\A]\r\n\"V\"=\"x\"\r\n"),
          QByteArray("REGEDIT5\r\n[HKEY_LOCAL_MACHINE\\A]\r\n"),
          QByteArray("Windows Registry Editor Version 4.00\r\n[HKLM\\A]\r\n")}) {
        RegistryFile registry = RegistryFile::fromText(bytes);
        QCOMPARE(registry.keyCount(), 0);
        QCOMPARE(query(registry, "A", "V").status, Registry::kFileNotFound);
    }

    // The file is named by ZOL_REGISTRY, else it sits in the configuration folder.
    const QString named = dir.filePath(u"named.reg"_s);
    QVERIFY(writeFile(named, "REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\B]\r\n\"W\"=\"y\"\r\n"));
    qputenv("ZOL_REGISTRY", named.toLocal8Bit());
    QCOMPARE(RegistryFile::defaultPath(), named);
    RegistryFile fromEnvironment;
    QCOMPARE(query(fromEnvironment, "B", "W").bytes, QByteArray("y\0", 2));
    qunsetenv("ZOL_REGISTRY");
    QCOMPARE(RegistryFile::defaultPath(),
             QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                 u"/zolprint/registry.reg"_s);
}

void RegistryTest::badInputNeverCrashes()
{
    QFile file(QFINDTESTDATA("data/sample.reg"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray sample = file.readAll();
    // Every cut of the file, and the file in UTF-16 cut at odd bytes.
    for (qsizetype cut = 0; cut <= sample.size(); ++cut) {
        RegistryFile registry = RegistryFile::fromText(sample.left(cut));
        query(registry, "SOFTWARE\\ZOL\\Print", "Blob");
    }
    const QByteArray wide = utf16le(fromAnsi(sample));
    for (qsizetype cut = 1; cut <= wide.size(); cut += 7) {
        RegistryFile registry = RegistryFile::fromText(wide.left(cut));
        query(registry, "SOFTWARE\\ZOL\\Print", "Pages");
    }
    // Random lines after a good first line.
    QRandomGenerator random(4);
    const QByteArray alphabet = "[]\"\\=@:,-;hexdword()0123456789abcdef \r\n\t\xe9\x00";
    for (int round = 0; round < 300; ++round) {
        QByteArray bytes = "REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\A]\r\n";
        const int length = random.bounded(200);
        for (int i = 0; i < length; ++i)
            bytes += alphabet.at(random.bounded(static_cast<int>(alphabet.size())));
        RegistryFile registry = RegistryFile::fromText(bytes);
        query(registry, "A", "");
    }
    // The last known-good value is still found after all of the above.
    RegistryFile registry = RegistryFile::fromText(sample);
    QCOMPARE(query(registry, "SOFTWARE\\ZOL\\Print", "After").status, Registry::kSuccess);
}

QTEST_GUILESS_MAIN(RegistryTest)
#include "tst_registry.moc"
