#include "ProfileFile.h"

#include "AtomicFile.h"
#include "NumberConverting.h"
#include "Windows1252.h"

#include <QBuffer>
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
const QByteArray kCrLf("\r\n");

QString Fold(const QString& name) { return name.trimmed().toCaseFolded(); }

bool HasLineBreak(const QString& s) { return s.contains(QLatin1Char('\r')) || s.contains(QLatin1Char('\n')); }

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
    m_utf8 = m_utf8Default;
    m_bom = false;
    m_readFailed = false;
    m_readProblem.clear();
    m_loaded = true;
    m_stamp = CurrentStamp();
    if (m_stamp.exists) {
        TBoundedFile file(m_path, m_kind);
        QByteArray bytes;
        if (!file.ReadAll(bytes)) {
            m_readProblem = file.ErrorString();
        }
        else {
            QBuffer buffer(&bytes);
            buffer.open(QIODevice::ReadOnly);
            ReadLines(buffer);
        }
        if (!m_readProblem.isEmpty()) {
            m_lines.clear();
            m_readFailed = true;
            m_error = m_readProblem;
        }
    }
    Reindex();
}

// Line by line: a line longer than kMaxLineBytes keeps only its
// start (enough for a name and a whole value), so a long line costs no
// memory beyond the file. Such a file is read but not rewritten.
void TProfileFile::ReadLines(QIODevice& file) const
{
    constexpr qint64 kBlock = 64 * 1024;
    QByteArray block;
    TLine line;
    bool started = false; // bytes of the current line seen
    bool first = true;
    for (;;) {
        block = file.read(kBlock);
        if (block.isEmpty())
            break;
        qsizetype from = 0;
        if (first) {
            first = false;
            if (block.startsWith("\xFF\xFE") || block.startsWith("\xFE\xFF")) {
                m_readProblem = QStringLiteral("\"%1\" is UTF-16 text, not an INI file").arg(m_path);
                return;
            }
            if (block.startsWith(kUtf8Bom)) {
                m_utf8 = m_bom = true;
                from = kUtf8Bom.size();
            }
        }
        while (from < block.size()) {
            const qsizetype lf = block.indexOf('\n', from);
            const qsizetype stop = lf < 0 ? block.size() : lf;
            const qsizetype room = kMaxLineBytes - line.raw.size();
            const qsizetype kept = std::min(stop - from, room);
            // Only the bytes kept are looked at: the rest of a cut line is never used.
            for (qsizetype i = from; i < from + kept; ++i) {
                const auto c = static_cast<unsigned char>(block.at(i));
                if (c < 0x20 && c != '\t' && c != '\r' && c != '\f' && c != 0x1A) {
                    m_readProblem = QStringLiteral("\"%1\" is not a text file (control byte %2h at offset %3)")
                                        .arg(m_path)
                                        .arg(c, 2, 16, QLatin1Char('0'))
                                        .arg(file.pos() - block.size() + i);
                    return;
                }
            }
            line.raw += block.mid(from, kept);
            line.cut = line.cut || kept < stop - from;
            started = true;
            if (lf < 0)
                break;
            if (line.raw.endsWith('\r') && !line.cut) {
                line.raw.chop(1);
                line.eol = kCrLf;
            }
            else
                line.eol = QByteArray("\n");
            ParseLine(line);
            m_lines.push_back(std::move(line));
            line = TLine();
            started = false;
            from = lf + 1;
        }
    }
    if (started) {
        ParseLine(line);
        m_lines.push_back(std::move(line));
    }
}

QString TProfileFile::Decode(const QByteArray& bytes) const
{
    return m_utf8 ? QString::fromUtf8(bytes) : FromWindows1252(bytes);
}

QByteArray TProfileFile::Encode(const QString& text) const { return m_utf8 ? text.toUtf8() : ToWindows1252(text); }

void TProfileFile::ParseLine(TLine& line) const
{
    const QString text = Decode(line.raw).trimmed();
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
            line.name = text.mid(1, close - 1).trimmed();
            return;
        }
    }
    const qsizetype eq = text.indexOf(QLatin1Char('='));
    if (eq > 0) {
        line.kind = TLineKind::Key;
        line.name = text.left(eq).trimmed();
        line.value = text.mid(eq + 1).trimmed();
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
    QByteArray bytes;
    if (m_bom)
        bytes += kUtf8Bom;
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
    line.eol = kCrLf;
    ParseLine(line);
    if (index > 0 && m_lines[index - 1].eol.isEmpty())
        m_lines[index - 1].eol = kCrLf;
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
    const QString sectionName = section.trimmed();
    const QString keyName = key.trimmed();
    if (sectionName.isEmpty() || HasLineBreak(sectionName))
        return Fail(QStringLiteral("Invalid section name \"%1\"").arg(section));
    if (keyName.isEmpty() || HasLineBreak(keyName) || keyName.contains(QLatin1Char('=')) ||
        keyName.front() == QLatin1Char('[') || keyName.front() == QLatin1Char(';'))
        return Fail(QStringLiteral("Invalid key name \"%1\"").arg(key));
    if (HasLineBreak(value))
        return Fail(QStringLiteral("The value of %1.%2 holds a line break").arg(sectionName, keyName));
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
    bool changed = false;
    for (int i = static_cast<int>(m_sections.size()) - 1; i >= 0; --i) {
        const TSection& s = m_sections[i];
        if (s.name.toCaseFolded() != fold)
            continue;
        int from = s.header;
        const int to = s.end;
        // Erasing the last section also drops the blank lines that led up to it.
        if (to == static_cast<int>(m_lines.size()))
            while (from > 0 && m_lines[from - 1].kind == TLineKind::Blank)
                --from;
        m_lines.erase(m_lines.begin() + from, m_lines.begin() + to);
        changed = true;
    }
    return changed ? Commit() : true;
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
