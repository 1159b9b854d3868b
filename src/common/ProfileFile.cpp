#include "ProfileFile.h"

#include "AtomicFile.h"
#include "NumberConverting.h"
#include "Windows1252.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>

#ifdef Q_OS_LINUX
#include <sys/stat.h>
#elif defined(Q_OS_WIN)
#include <QDir>
#include <windows.h>
#endif

namespace {

const QByteArray kUtf8Bom("\xEF\xBB\xBF");
const QByteArray kUtf16LeBom("\xFF\xFE");
const QByteArray kUtf16BeBom("\xFE\xFF");

// The profile functions' blanks: tab, line feed, vertical tab, form feed,
// carriage return, DOS end of file (^Z) and space; no other character, not
// even a no-break space.
bool IsBlank(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= 0x09 && u <= 0x0D) || u == 0x1A || u == 0x20;
}

QString Trim(QStringView text)
{
    qsizetype from = 0;
    qsizetype to = text.size();
    while (from < to && IsBlank(text[from]))
        ++from;
    while (to > from && IsBlank(text[to - 1]))
        --to;
    return text.mid(from, to - from).toString();
}

// Names and values are C strings there: what follows a NUL is not seen.
QString CutAtNul(QString text)
{
    const qsizetype nul = text.indexOf(QChar(0));
    if (nul >= 0)
        text.truncate(nul);
    return text;
}

QString Fold(const QString& name) { return Trim(name).toCaseFolded(); }

// Text that a line cannot hold as it is read back.
bool Unstorable(const QString& s)
{
    return s.contains(QLatin1Char('\r')) || s.contains(QLatin1Char('\n')) || s.contains(QChar(0));
}

QString StripQuotes(const QString& value)
{
    if (value.size() >= 2) {
        const QChar first = value.front();
        if ((first == QLatin1Char('"') || first == QLatin1Char('\'')) && value.back() == first)
            return value.mid(1, value.size() - 2);
    }
    return value;
}

} // namespace

TProfileFile::TProfileFile(QString path, TEncoding encoding, TFileKind kind)
    : m_path(std::move(path)), m_utf8Default(encoding == TEncoding::Utf8), m_kind(kind)
{}

TProfileFile::TFileStamp TProfileFile::CurrentStamp() const
{
    TFileStamp stamp;
#ifdef Q_OS_LINUX
    // Nanosecond times and the inode: a file replaced twice within one
    // millisecond by QSaveFile still looks different.
    struct stat st {};
    if (::stat(QFile::encodeName(m_path).constData(), &st) != 0)
        return stamp;
    stamp.exists = true;
    stamp.size = st.st_size;
    stamp.modifiedNs = qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    stamp.changedNs = qint64(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec;
    stamp.inode = st.st_ino;
#elif defined(Q_OS_WIN)
    // The file's index and its 100 ns write time: every replacement is a new
    // file, and two writes of one size within a millisecond still differ.
    const HANDLE file = ::CreateFileW(reinterpret_cast<const wchar_t*>(QDir::toNativeSeparators(m_path).utf16()),
                                      FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return stamp;
    BY_HANDLE_FILE_INFORMATION info{};
    const bool known = ::GetFileInformationByHandle(file, &info) != 0;
    ::CloseHandle(file);
    if (!known)
        return stamp;
    const auto wide = [](DWORD high, DWORD low) { return (quint64(high) << 32) | low; };
    stamp.exists = true;
    stamp.size = qint64(wide(info.nFileSizeHigh, info.nFileSizeLow));
    stamp.modifiedNs = qint64(wide(info.ftLastWriteTime.dwHighDateTime, info.ftLastWriteTime.dwLowDateTime)) * 100;
    stamp.changedNs = qint64(wide(info.ftCreationTime.dwHighDateTime, info.ftCreationTime.dwLowDateTime)) * 100;
    stamp.inode = wide(info.nFileIndexHigh, info.nFileIndexLow) ^ (quint64(info.dwVolumeSerialNumber) << 32);
#else
    const QFileInfo info(m_path);
    if (!info.exists())
        return stamp;
    stamp.exists = true;
    stamp.size = info.size();
    stamp.modifiedNs = info.lastModified().toMSecsSinceEpoch() * 1000000;
    stamp.changedNs = info.metadataChangeTime().toMSecsSinceEpoch() * 1000000;
#endif
    return stamp;
}

void TProfileFile::EnsureLoaded() const
{
    if (m_loaded && (m_updateDepth > 0 || CurrentStamp() == m_stamp))
        return;
    Load();
}

void TProfileFile::Load() const
{
    m_lines.clear();
    m_text = m_utf8Default ? TText::Utf8 : TText::Windows1252;
    m_bom = false;
    m_readFailed = false;
    m_readProblem.clear();
    m_loaded = true;
    m_stamp = CurrentStamp();
    if (m_stamp.exists) {
        TBoundedFile file(m_path, m_kind);
        QByteArray bytes;
        if (file.ReadAll(bytes))
            ReadLines(bytes);
        else {
            m_readProblem = file.ErrorString();
            m_readFailed = true;
            m_error = m_readProblem;
        }
    }
    Reindex();
}

// The profile functions' reading: a byte order mark makes the file UTF-8 or
// UTF-16 (either byte order); a line ends at CR LF, LF or CR; every other
// byte, control bytes and NULs included, is text. A line longer than
// kMaxLineBytes keeps only its start (enough for a name and a whole value);
// such a file is read but not rewritten.
void TProfileFile::ReadLines(const QByteArray& bytes) const
{
    qsizetype from = 0;
    if (bytes.startsWith(kUtf8Bom)) {
        m_text = TText::Utf8;
        from = kUtf8Bom.size();
    }
    else if (bytes.startsWith(kUtf16LeBom) || bytes.startsWith(kUtf16BeBom)) {
        m_text = bytes.startsWith(kUtf16LeBom) ? TText::Utf16Le : TText::Utf16Be;
        from = kUtf16LeBom.size();
    }
    m_bom = from > 0;
    const qsizetype unit = IsUtf16() ? 2 : 1;
    // A half character at the end of UTF-16 text is no character.
    const qsizetype end = bytes.size() - (bytes.size() - from) % unit;
    const auto at = [&](qsizetype i) -> char16_t {
        const auto byte = [&](qsizetype k) { return char16_t(static_cast<unsigned char>(bytes[k])); };
        if (unit == 1)
            return byte(i);
        return m_text == TText::Utf16Le ? char16_t(byte(i) | byte(i + 1) << 8) : char16_t(byte(i) << 8 | byte(i + 1));
    };
    while (from < end) {
        qsizetype stop = from;
        if (unit == 1)
            stop = std::find_if(bytes.cbegin() + from, bytes.cbegin() + end,
                                [](char c) { return c == '\r' || c == '\n'; }) -
                   bytes.cbegin();
        else
            while (stop < end && at(stop) != u'\r' && at(stop) != u'\n')
                stop += unit;
        TLine line;
        line.cut = stop - from > kMaxLineBytes;
        line.raw = bytes.mid(from, std::min(stop - from, kMaxLineBytes));
        from = stop;
        if (from < end) {
            from += unit;
            if (at(stop) == u'\r' && from < end && at(from) == u'\n')
                from += unit;
            line.eol = bytes.mid(stop, from - stop);
        }
        ParseLine(line);
        m_lines.push_back(std::move(line));
    }
}

QString TProfileFile::Decode(const QByteArray& bytes) const
{
    switch (m_text) {
    case TText::Windows1252:
        return FromWindows1252(bytes);
    case TText::Utf8:
        return QString::fromUtf8(bytes);
    case TText::Utf16Le:
    case TText::Utf16Be:
        break;
    }
    const bool little = m_text == TText::Utf16Le;
    QString text(bytes.size() / 2, Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const auto b0 = static_cast<unsigned char>(bytes[2 * i]);
        const auto b1 = static_cast<unsigned char>(bytes[2 * i + 1]);
        text[i] = QChar(little ? char16_t(b0 | b1 << 8) : char16_t(b0 << 8 | b1));
    }
    return text;
}

QByteArray TProfileFile::Encode(const QString& text) const
{
    switch (m_text) {
    case TText::Windows1252:
        return ToWindows1252(text);
    case TText::Utf8:
        return text.toUtf8();
    case TText::Utf16Le:
    case TText::Utf16Be:
        break;
    }
    const bool little = m_text == TText::Utf16Le;
    QByteArray bytes;
    bytes.reserve(text.size() * 2);
    for (const QChar c : text) {
        const char high = char(c.unicode() >> 8);
        const char low = char(c.unicode() & 0xFF);
        bytes.append(little ? low : high).append(little ? high : low);
    }
    return bytes;
}

QByteArray TProfileFile::ByteOrderMark() const
{
    if (!m_bom)
        return {};
    switch (m_text) {
    case TText::Utf8:
        return kUtf8Bom;
    case TText::Utf16Le:
        return kUtf16LeBom;
    case TText::Utf16Be:
        return kUtf16BeBom;
    case TText::Windows1252:
        break;
    }
    return {};
}

std::vector<std::pair<int, QString>> TProfileFile::LinesOfNoKind() const
{
    EnsureLoaded();
    std::vector<std::pair<int, QString>> lines;
    for (std::size_t i = 0; i < m_lines.size(); ++i) {
        if (m_lines[i].kind != TLineKind::Other)
            continue;
        // As for a name or a value, the line ends at a NUL (a power cut leaves a run of them).
        QString text = Decode(m_lines[i].raw);
        if (const qsizetype nul = text.indexOf(QChar(u'\0')); nul >= 0)
            text.truncate(nul);
        if (!Trim(text).isEmpty())
            lines.emplace_back(int(i) + 1, Trim(text));
    }
    return lines;
}

void TProfileFile::ParseLine(TLine& line) const
{
    const QString text = Trim(Decode(line.raw));
    line.name.clear();
    line.value.clear();
    if (text.isEmpty()) {
        line.kind = TLineKind::Blank;
        return;
    }
    if (text.front() == QLatin1Char(';')) {
        line.kind = TLineKind::Comment;
        return;
    }
    if (text.front() == QLatin1Char('[')) {
        const qsizetype close = text.lastIndexOf(QLatin1Char(']'));
        if (close > 0) {
            line.kind = TLineKind::Section;
            line.name = CutAtNul(Trim(QStringView(text).mid(1, close - 1)));
            return;
        }
    }
    const qsizetype eq = text.indexOf(QLatin1Char('='));
    if (eq > 0) {
        line.kind = TLineKind::Key;
        line.name = CutAtNul(Trim(QStringView(text).left(eq)));
        line.value = CutAtNul(Trim(QStringView(text).mid(eq + 1)));
        if (!line.name.isEmpty())
            return;
    }
    line.kind = TLineKind::Other;
    line.name.clear();
    line.value.clear();
}

void TProfileFile::Reindex() const
{
    m_sections.clear();
    m_firstSection.clear();
    const int count = static_cast<int>(m_lines.size());
    for (int i = 0; i < count; ++i) {
        const TLine& line = m_lines[i];
        if (line.kind == TLineKind::Section) {
            if (!m_sections.empty())
                m_sections.back().end = i;
            TSection section;
            section.name = line.name;
            section.header = i;
            section.end = count;
            const QString fold = line.name.toCaseFolded();
            if (!m_firstSection.contains(fold))
                m_firstSection.insert(fold, static_cast<int>(m_sections.size()));
            m_sections.push_back(std::move(section));
        }
        else if (line.kind == TLineKind::Key && !m_sections.empty()) {
            TSection& section = m_sections.back();
            const QString fold = line.name.toCaseFolded();
            if (!section.keys.contains(fold)) {
                section.keys.insert(fold, i);
                section.keyOrder.append(line.name);
            }
        }
    }
}

const TProfileFile::TSection* TProfileFile::FindSection(const QString& name) const
{
    const int index = m_firstSection.value(Fold(name), -1);
    return index < 0 ? nullptr : &m_sections[index];
}

const TProfileFile::TLine* TProfileFile::FindKey(const QString& section, const QString& key) const
{
    const TSection* s = FindSection(section);
    if (s == nullptr)
        return nullptr;
    const int index = s->keys.value(Fold(key), -1);
    return index < 0 ? nullptr : &m_lines[index];
}

QString TProfileFile::ReadString(const QString& section, const QString& key, const QString& defaultValue) const
{
    EnsureLoaded();
    const TLine* line = FindKey(section, key);
    if (line == nullptr)
        return defaultValue;
    QString value = StripQuotes(line->value);
    if (value.size() > kMaxValueLength) {
        value.truncate(kMaxValueLength);
        if (value.back().isHighSurrogate())
            value.chop(1);
    }
    return value;
}

int TProfileFile::ReadInteger(const QString& section, const QString& key, int defaultValue) const
{
    const ParsedInteger parsed = ParseInteger(ReadString(section, key));
    return parsed.ok() ? parsed.value : defaultValue;
}

bool TProfileFile::ReadBool(const QString& section, const QString& key, bool defaultValue) const
{
    return ReadInteger(section, key, defaultValue ? 1 : 0) != 0;
}

QStringList TProfileFile::Sections() const
{
    EnsureLoaded();
    QStringList names;
    for (int i = 0; i < static_cast<int>(m_sections.size()); ++i)
        if (m_firstSection.value(m_sections[i].name.toCaseFolded()) == i)
            names.append(m_sections[i].name);
    return names;
}

QStringList TProfileFile::Keys(const QString& section) const
{
    EnsureLoaded();
    const TSection* s = FindSection(section);
    return s == nullptr ? QStringList() : s->keyOrder;
}

bool TProfileFile::SectionExists(const QString& section) const { return !Keys(section).isEmpty(); }

bool TProfileFile::KeyExists(const QString& section, const QString& key) const
{
    EnsureLoaded();
    return FindKey(section, key) != nullptr;
}

bool TProfileFile::Fail(const QString& reason)
{
    m_error = reason;
    if (m_updateDepth > 0)
        m_batchFailed = true;
    return false;
}

bool TProfileFile::BeginChange()
{
    EnsureLoaded();
    if (m_readFailed)
        return Fail(m_error);
    return true;
}

bool TProfileFile::Commit()
{
    Reindex();
    if (m_updateDepth > 0) {
        m_dirty = true;
        return true;
    }
    return Save();
}

bool TProfileFile::Save()
{
    QByteArray bytes = ByteOrderMark();
    for (std::size_t i = 0; i < m_lines.size(); ++i) {
        if (m_lines[i].cut) {
            m_loaded = false;
            return Fail(QStringLiteral("\"%1\" is not written: its line %2 is longer than %3 bytes")
                            .arg(m_path)
                            .arg(i + 1)
                            .arg(kMaxLineBytes));
        }
        bytes += m_lines[i].raw + m_lines[i].eol;
    }

    QString error;
    if (!WriteFileAtomically(m_path, bytes, &error)) {
        // The lines in memory no longer match the file: read it again next time.
        m_loaded = false;
        return Fail(error);
    }
    m_stamp = CurrentStamp();
    return true;
}

void TProfileFile::InsertLine(int index, const QString& text)
{
    TLine line;
    line.raw = Encode(text);
    line.eol = Encode(QStringLiteral("\r\n"));
    ParseLine(line);
    if (index > 0 && m_lines[index - 1].eol.isEmpty())
        m_lines[index - 1].eol = line.eol;
    m_lines.insert(m_lines.begin() + index, std::move(line));
}

void TProfileFile::ReplaceLine(int index, const QString& text)
{
    TLine& line = m_lines[index];
    line.raw = Encode(text);
    ParseLine(line);
}

bool TProfileFile::WriteString(const QString& section, const QString& key, const QString& value)
{
    const QString sectionName = Trim(section);
    const QString keyName = Trim(key);
    if (sectionName.isEmpty() || Unstorable(sectionName))
        return Fail(QStringLiteral("Invalid section name \"%1\"").arg(section));
    if (keyName.isEmpty() || Unstorable(keyName) || keyName.contains(QLatin1Char('=')) ||
        keyName.front() == QLatin1Char('[') || keyName.front() == QLatin1Char(';'))
        return Fail(QStringLiteral("Invalid key name \"%1\"").arg(key));
    if (Unstorable(value))
        return Fail(QStringLiteral("The value of %1.%2 holds a line break or a NUL").arg(sectionName, keyName));
    if (!BeginChange())
        return false;

    const TSection* s = FindSection(sectionName);
    if (s == nullptr) {
        int at = static_cast<int>(m_lines.size());
        if (at > 0 && m_lines.back().kind != TLineKind::Blank)
            InsertLine(at++, QString());
        InsertLine(at++, QLatin1Char('[') + sectionName + QLatin1Char(']'));
        InsertLine(at, keyName + QLatin1Char('=') + value);
        return Commit();
    }
    const int existing = s->keys.value(keyName.toCaseFolded(), -1);
    if (existing >= 0) {
        const TLine& line = m_lines[existing];
        if (line.value == value)
            return true; // already so: the file stays untouched
        ReplaceLine(existing, line.name + QLatin1Char('=') + value);
        return Commit();
    }
    int at = s->header + 1;
    for (int i = s->end - 1; i > s->header; --i)
        if (m_lines[i].kind == TLineKind::Key) {
            at = i + 1;
            break;
        }
    InsertLine(at, keyName + QLatin1Char('=') + value);
    return Commit();
}

bool TProfileFile::WriteInteger(const QString& section, const QString& key, int value)
{
    return WriteString(section, key, QString::number(value));
}

bool TProfileFile::WriteBool(const QString& section, const QString& key, bool value)
{
    return WriteString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

bool TProfileFile::EraseSection(const QString& section)
{
    if (!BeginChange())
        return false;
    const QString fold = Fold(section);
    const int count = static_cast<int>(m_lines.size());
    std::vector<bool> erased(m_lines.size(), false);
    bool changed = false;
    for (const TSection& s : m_sections)
        if (s.name.toCaseFolded() == fold) {
            std::fill(erased.begin() + s.header, erased.begin() + s.end, true);
            changed = true;
        }
    if (!changed)
        return true;
    // Erasing what ends the file also drops the blank lines that led up to it.
    int from = count;
    while (from > 0 && erased[from - 1])
        --from;
    if (from < count)
        while (from > 0 && m_lines[from - 1].kind == TLineKind::Blank)
            erased[--from] = true;
    int kept = 0;
    for (int i = 0; i < count; ++i)
        if (!erased[i]) {
            if (kept != i)
                m_lines[kept] = std::move(m_lines[i]);
            ++kept;
        }
    m_lines.resize(kept);
    return Commit();
}

bool TProfileFile::DeleteKey(const QString& section, const QString& key)
{
    if (!BeginChange())
        return false;
    const TSection* s = FindSection(section);
    const int index = s == nullptr ? -1 : s->keys.value(Fold(key), -1);
    if (index < 0)
        return true;
    m_lines.erase(m_lines.begin() + index);
    return Commit();
}

void TProfileFile::BeginUpdate()
{
    if (m_updateDepth++ == 0) {
        EnsureLoaded();
        m_dirty = false;
        m_batchFailed = false;
    }
}

bool TProfileFile::EndUpdate()
{
    if (m_updateDepth == 0)
        return true;
    if (--m_updateDepth > 0)
        return true;
    bool ok = !m_batchFailed;
    if (m_dirty)
        ok = Save() && ok;
    m_dirty = false;
    m_batchFailed = false;
    return ok;
}
