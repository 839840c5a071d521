#include "registry.h"

#include "codepage.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QStringDecoder>
#include <QStringList>

#include <algorithm>
#include <array>

using namespace Qt::StringLiterals;

namespace zol {

namespace {

// An export of a whole registry runs to a few hundred megabytes; the keys this
// program reads sit in small files, and a larger one is read only this far.
constexpr qint64 kMaxFileSize = 64 * 1024 * 1024;

struct Root
{
    Registry::Key key;
    QString name;
    QString shortName;
};

const std::array<Root, 5> &roots()
{
    static const std::array<Root, 5> table = {{
        {Registry::kClassesRoot, u"hkey_classes_root"_s, u"hkcr"_s},
        {Registry::kCurrentUser, u"hkey_current_user"_s, u"hkcu"_s},
        {Registry::kLocalMachine, u"hkey_local_machine"_s, u"hklm"_s},
        {Registry::kUsers, u"hkey_users"_s, u"hku"_s},
        {Registry::kCurrentConfig, u"hkey_current_config"_s, u"hkcc"_s},
    }};
    return table;
}

// The parts of a key path in lower case, its root spelled out; empty when the
// root is not one of the predefined ones.
QString canonicalKeyPath(const QString &path)
{
    QStringList parts = path.toLower().split(u'\\', Qt::SkipEmptyParts);
    if (parts.isEmpty())
        return {};
    for (const Root &root : roots()) {
        if (parts.first() == root.name || parts.first() == root.shortName) {
            parts.first() = root.name;
            return parts.join(u'\\');
        }
    }
    return {};
}

// A quoted text starting at text[*at] == '"', with \\ and \" escapes. On
// success *at is just past the closing quote.
bool readQuoted(const QString &text, qsizetype *at, QString *out)
{
    qsizetype i = *at + 1;
    out->clear();
    while (i < text.size()) {
        const QChar c = text.at(i);
        if (c == u'"') {
            *at = i + 1;
            return true;
        }
        if (c == u'\\' && i + 1 < text.size() &&
            (text.at(i + 1) == u'\\' || text.at(i + 1) == u'"')) {
            out->append(text.at(i + 1));
            i += 2;
            continue;
        }
        out->append(c);
        ++i;
    }
    return false;
}

bool readHexBytes(const QString &text, QByteArray *out)
{
    out->clear();
    const QString list = text.trimmed();
    if (list.isEmpty())
        return true;
    for (const QString &item : list.split(u',')) {
        bool ok = false;
        const QString digits = item.trimmed();
        const uint byte = digits.toUInt(&ok, 16);
        if (!ok || digits.size() > 2 || byte > 0xff)
            return false;
        out->append(static_cast<char>(byte));
    }
    return true;
}

QByteArray dwordBytes(quint32 value)
{
    QByteArray bytes(4, '\0');
    for (int i = 0; i < 4; ++i)
        bytes[i] = static_cast<char>((value >> (8 * i)) & 0xff);
    return bytes;
}

QString decodeFile(const QByteArray &bytes, bool *unicode)
{
    *unicode = false;
    if (bytes.startsWith("\xff\xfe")) {
        *unicode = true;
        QStringDecoder decoder(QStringDecoder::Utf16LE);
        return decoder.decode(bytes.mid(2));
    }
    if (bytes.startsWith("\xef\xbb\xbf")) {
        *unicode = true;
        QStringDecoder decoder(QStringDecoder::Utf8);
        return decoder.decode(bytes.mid(3));
    }
    return fromAnsi(bytes);
}

// The text types of a Unicode export hold UTF-16; the ANSI calls this
// registry stands for hand them over in the code page.
QByteArray unicodeToAnsi(const QByteArray &utf16)
{
    QStringDecoder decoder(QStringDecoder::Utf16LE);
    return toAnsi(decoder.decode(utf16));
}

} // namespace

RegistryFile::RegistryFile() : RegistryFile(defaultPath()) {}

RegistryFile::RegistryFile(const QString &path)
{
    // Only a regular file: opening a pipe would wait for a writer.
    if (!QFileInfo(path).isFile())
        return;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return;
    parse(file.read(kMaxFileSize));
}

RegistryFile RegistryFile::fromText(const QByteArray &bytes)
{
    RegistryFile registry{QString()};
    registry.parse(bytes);
    return registry;
}

QString RegistryFile::defaultPath()
{
    const QString fromEnvironment = qEnvironmentVariable("ZOL_REGISTRY");
    if (!fromEnvironment.isEmpty())
        return fromEnvironment;
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           u"/zolprint/registry.reg"_s;
}

void RegistryFile::parse(const QByteArray &bytes)
{
    bool unicode = false;
    static const QRegularExpression lineEnd(u"\r\n|\r|\n"_s);
    const QStringList rawLines = decodeFile(bytes, &unicode).split(lineEnd);

    // Long binary values go on over lines ending in a backslash.
    QStringList lines;
    for (const QString &raw : rawLines) {
        const QString line = raw.trimmed();
        if (!lines.isEmpty() && lines.last().endsWith(u'\\') && !lines.last().startsWith(u'['))
            lines.last() = lines.last().chopped(1) + line;
        else
            lines.append(line);
    }

    qsizetype at = 0;
    while (at < lines.size() && lines.at(at).isEmpty())
        ++at;
    if (at == lines.size() || (lines.at(at) != u"REGEDIT4"_s &&
                               lines.at(at) != u"Windows Registry Editor Version 5.00"_s))
        return;

    Values *current = nullptr;
    for (++at; at < lines.size(); ++at) {
        const QString &line = lines.at(at);
        if (line.isEmpty() || line.startsWith(u';'))
            continue;
        if (line.startsWith(u'[')) {
            current = nullptr;
            if (!line.endsWith(u']'))
                continue;
            QString name = line.mid(1, line.size() - 2);
            const bool remove = name.startsWith(u'-');
            const QString path = canonicalKeyPath(remove ? name.mid(1) : name);
            if (path.isEmpty())
                continue;
            if (remove) {
                const QString below = path + u'\\';
                for (auto it = m_keys.begin(); it != m_keys.end();)
                    it = (it->first == path || it->first.startsWith(below)) ? m_keys.erase(it)
                                                                            : std::next(it);
            } else {
                current = &m_keys[path];
            }
            continue;
        }
        if (!current)
            continue;

        qsizetype pos = 0;
        QString name;
        if (line.startsWith(u'@'))
            pos = 1;
        else if (!line.startsWith(u'"') || !readQuoted(line, &pos, &name))
            continue;
        const QString rest = line.mid(pos).trimmed();
        if (!rest.startsWith(u'='))
            continue;
        const QString data = rest.mid(1).trimmed();
        const QString valueName = name.toLower();

        Value value;
        if (data == u"-"_s) {
            current->remove(valueName);
            continue;
        }
        if (data.startsWith(u'"')) {
            qsizetype end = 0;
            QString text;
            if (!readQuoted(data, &end, &text))
                continue;
            value = {kTypeString, toAnsi(text) + '\0'};
        } else if (data.startsWith(u"dword:"_s, Qt::CaseInsensitive)) {
            const QString digits = data.mid(6).trimmed();
            bool ok = false;
            const quint32 number = digits.toUInt(&ok, 16);
            if (!ok || digits.isEmpty() || digits.size() > 8)
                continue;
            value = {kTypeDword, dwordBytes(number)};
        } else if (data.startsWith(u"hex"_s, Qt::CaseInsensitive)) {
            const qsizetype colon = data.indexOf(u':');
            if (colon < 0)
                continue;
            const QString kind = data.mid(3, colon - 3).trimmed();
            std::uint32_t type = kTypeBinary;
            if (!kind.isEmpty()) {
                if (!kind.startsWith(u'(') || !kind.endsWith(u')'))
                    continue;
                bool ok = false;
                type = kind.mid(1, kind.size() - 2).toUInt(&ok, 16);
                if (!ok)
                    continue;
            }
            QByteArray raw;
            if (!readHexBytes(data.mid(colon + 1), &raw))
                continue;
            constexpr std::uint32_t kTypeMultiString = 7;
            if (unicode &&
                (type == kTypeString || type == kTypeExpandString || type == kTypeMultiString))
                raw = unicodeToAnsi(raw);
            value = {type, raw};
        } else {
            continue;
        }
        current->insert(valueName, value);
    }
}

bool RegistryFile::keyExists(const QString &path) const
{
    if (m_keys.count(path))
        return true;
    // A key exists while any key below it does, and the roots always do.
    if (!path.contains(u'\\'))
        return true;
    const QString below = path + u'\\';
    const auto next = m_keys.lower_bound(below);
    return next != m_keys.end() && next->first.startsWith(below);
}

long RegistryFile::openKey(Key root, const QByteArray &subKey, std::uint32_t, Key *result)
{
    QString base;
    for (const Root &predefined : roots()) {
        if (predefined.key == root)
            base = predefined.name;
    }
    if (base.isEmpty()) {
        const auto open = m_handles.find(root);
        if (open == m_handles.end())
            return kInvalidHandle;
        base = open->second;
    }
    const QString path = canonicalKeyPath(base + u'\\' + fromAnsi(subKey));
    if (path.isEmpty() || !keyExists(path))
        return kFileNotFound;
    const Key handle = m_nextHandle++;
    m_handles[handle] = path;
    if (result)
        *result = handle;
    return kSuccess;
}

long RegistryFile::queryValue(Key key, const QByteArray &valueName, std::uint32_t *type,
                              QByteArray *data, std::uint32_t *size)
{
    const auto open = m_handles.find(key);
    if (open == m_handles.end())
        return kInvalidHandle;
    const auto values = m_keys.find(open->second);
    if (values == m_keys.end())
        return kFileNotFound;
    const auto found = values->second.constFind(fromAnsi(valueName).toLower());
    if (found == values->second.constEnd())
        return kFileNotFound;

    const QByteArray &bytes = found->data;
    if (type)
        *type = found->type;
    if (size)
        *size = static_cast<std::uint32_t>(bytes.size());
    if (!data)
        return kSuccess;
    if (bytes.size() > data->size())
        return kMoreData;
    data->replace(0, bytes.size(), bytes);
    return kSuccess;
}

long RegistryFile::closeKey(Key key)
{
    return m_handles.erase(key) ? kSuccess : kInvalidHandle;
}

bool readKeyValue(Registry *registry, Registry::Key root, const QString &keyName,
                  const QString &valueName, QString &value)
{
    // Room for the longest path the value can hold, as the system allots it.
    constexpr std::uint32_t kBufferSize = 1024;
    if (!registry) {
        value.clear();
        return false;
    }

    Registry::Key hKey = 0;
    // The key is closed on every way out, also when opening failed and when
    // the value turns out to be unusable.
    struct Closer
    {
        Registry &registry;
        Registry::Key &key;
        ~Closer() { registry.closeKey(key); }
    } closer{*registry, hKey};

    const QByteArray ansiKeyName = toAnsi(keyName);
    long rc = registry->openKey(root, ansiKeyName, kRegistryKeyAccess, &hKey);
    // Since Windows asks for elevation before it grants write access to the
    // machine's keys, ordinary users only get to read them.
    if (rc == Registry::kAccessDenied) {
        hKey = 0;
        rc = registry->openKey(root, ansiKeyName, kRegistryKeyRead, &hKey);
    }
    if (rc != Registry::kSuccess) {
        hKey = 0;
        value.clear();
        return false;
    }

    QByteArray tmpVal(kBufferSize, '\0');
    std::uint32_t size = kBufferSize;
    std::uint32_t type = 0;
    rc = registry->queryValue(hKey, toAnsi(valueName), &type, &tmpVal, &size);
    if (rc != Registry::kSuccess) {
        value.clear();
        return false;
    }

    // The reported size counts characters of the buffer; the last one is the
    // closing zero when the value was stored with it. There is no character
    // at position 0, nor beyond the buffer.
    const QString buffer = fromAnsi(tmpVal);
    if (size == 0 || size > static_cast<std::uint32_t>(buffer.size()))
        throw RegistryValueError{};
    const qsizetype length = size;
    const QString cut =
        buffer.at(length - 1).unicode() == 0 ? buffer.left(length - 1) : buffer.left(length);

    switch (type) {
    case Registry::kTypeString:
        value = cut;
        break;
    case Registry::kTypeDword: {
        // Little-endian, as the system stores it.
        quint32 number = 0;
        for (qsizetype i = std::min<qsizetype>(length, 4) - 1; i >= 0; --i)
            number = (number << 8) | static_cast<unsigned char>(tmpVal.at(i));
        value = QString::number(number);
        break;
    }
    default:
        break;
    }
    return true;
}

} // namespace zol
