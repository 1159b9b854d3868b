#include "MachineSettings.h"

#include "AtomicFile.h"
#include "BoundedFile.h"
#include "InvokingUser.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QStringList>

#ifdef Q_OS_WIN
#include <QSettings>
#endif

namespace {

const QString kStringPrefix = QStringLiteral("sz:");
const QString kIntegerPrefix = QStringLiteral("dword:");
const QString kTopSection = QStringLiteral("General");
constexpr const char* kFileName = "VUREZIVO.ini";

enum class TStoredType { None, String, Integer };

struct TStoredValue {
    TStoredType type = TStoredType::None;
    QString text;
    qint32 integer = 0;
};

TStoredValue Decode(const QString& s)
{
    TStoredValue r;
    if (s.startsWith(kIntegerPrefix, Qt::CaseInsensitive)) {
        bool ok = false;
        const QString digits = s.mid(kIntegerPrefix.size()).trimmed();
        const uint u = digits.toUInt(&ok, 16);
        if (ok && !digits.isEmpty() && digits.size() <= 8) {
            r.type = TStoredType::Integer;
            r.integer = static_cast<qint32>(u);
        }
        return r; // a malformed dword is no value of either type
    }
    r.type = TStoredType::String;
    r.text = s.startsWith(kStringPrefix, Qt::CaseInsensitive) ? s.mid(kStringPrefix.size()) : s;
    return r;
}

// "Ports/COM3" -> [Ports] COM3; "COMPORT" -> [General] COMPORT.
std::pair<QString, QString> SectionAndKey(const QString& name)
{
    QStringList parts = name.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    if (parts.size() < 2)
        return {kTopSection, parts.value(0)};
    const QString section = parts.takeFirst();
    return {section, parts.join(QLatin1Char('\\'))};
}

// A value the profile rules would trim, or one holding \\ or \" (which reading
// takes for escapes), goes in double quotes, escaped as the earlier store did.
QString Quoted(const QString& raw)
{
    const bool trimmed = !raw.isEmpty() && (raw.back().isSpace() || raw.front().isSpace());
    if (!trimmed && !raw.contains(QLatin1String("\\\\")) && !raw.contains(QLatin1String("\\\"")))
        return raw;
    QString escaped = raw;
    escaped.replace(QLatin1Char('\\'), QLatin1String("\\\\")).replace(QLatin1Char('"'), QLatin1String("\\\""));
    return QLatin1Char('"') + escaped + QLatin1Char('"');
}

QString Unescaped(const QString& quotedInner)
{
    QString out;
    out.reserve(quotedInner.size());
    for (qsizetype i = 0; i < quotedInner.size(); ++i) {
        const QChar c = quotedInner[i];
        if (c == QLatin1Char('\\') && i + 1 < quotedInner.size() &&
            (quotedInner[i + 1] == QLatin1Char('\\') || quotedInner[i + 1] == QLatin1Char('"')))
            out += quotedInner[++i];
        else
            out += c;
    }
    return out;
}

struct TLayout {
    QString store;
    QString legacy;
    QString home; // under sudo: the invoking user's, where the checks of the store's path end
};

// The store of the user is touched with the user's identity under sudo; one
// that an administrator names keeps the program's.
class TIdentity {
public:
    explicit TIdentity(bool userStore)
    {
        if (userStore)
            m_user.emplace();
        else
            m_program.emplace();
    }

private:
    std::optional<TAsInvokingUser> m_user;
    std::optional<TAsProgramUser> m_program;
};

QString AbsoluteOr(const QByteArray& value, const QString& fallback)
{
    const QString path = QFile::decodeName(value);
    return !path.isEmpty() && QDir::isAbsolutePath(path) ? path : fallback;
}

TLayout UserLayout()
{
    TLayout layout;
    QString config = AbsoluteOr(qgetenv("XDG_CONFIG_HOME"), QDir::homePath() + QStringLiteral("/.config"));
    // sudo keeps root's home and environment: the settings belong to the person who typed it.
    if (const std::optional<TInvokingUser> user = InvokingUser()) {
        layout.home = user->home;
        config = user->home + QStringLiteral("/.config");
    }
    layout.store = config + QStringLiteral("/tunebench/") + QLatin1String(kFileName);
    layout.legacy = config + QStringLiteral("/Tunebench/") + QLatin1String(kFileName);
    return layout;
}

} // namespace

TMachineSettings::TMachineSettings(QString path) : m_path(std::move(path))
{
    if (IsRegistry() || !qEnvironmentVariableIsEmpty(kPathVariable))
        return;
    const TLayout user = UserLayout();
    if (m_path != user.store)
        return;
    m_legacy = user.legacy;
    m_defaults = SystemDefaultsPath();
    m_userStore = true;
    m_userHome = user.home;
}

QString TMachineSettings::DefaultPath()
{
    const QString fromEnvironment = qEnvironmentVariable(kPathVariable);
    if (!fromEnvironment.isEmpty())
        return fromEnvironment;
#ifdef Q_OS_WIN
    return QStringLiteral("HKEY_LOCAL_MACHINE\\SOFTWARE\\VUREZIVO");
#else
    return UserLayout().store;
#endif
}

QString TMachineSettings::SystemDefaultsPath()
{
    const QString dirs = qEnvironmentVariable("XDG_CONFIG_DIRS");
    QString first = dirs.section(QLatin1Char(':'), 0, 0);
    if (first.isEmpty() || !QDir::isAbsolutePath(first))
        first = QStringLiteral("/etc/xdg");
    return first + QStringLiteral("/tunebench/") + QLatin1String(kFileName);
}

bool TMachineSettings::IsRegistry() const
{
#ifdef Q_OS_WIN
    return m_path.startsWith(QStringLiteral("HKEY_"), Qt::CaseInsensitive);
#else
    return false;
#endif
}

std::optional<QString> TMachineSettings::RawValue(const QString& name) const
{
#ifdef Q_OS_WIN
    if (IsRegistry()) {
        QSettings settings(m_path, QSettings::Registry32Format);
        const QVariant v = settings.value(name);
        if (!v.isValid())
            return std::nullopt;
        const bool integer = v.typeId() == QMetaType::Int || v.typeId() == QMetaType::UInt ||
                             v.typeId() == QMetaType::LongLong || v.typeId() == QMetaType::ULongLong;
        return integer ? kIntegerPrefix +
                             QStringLiteral("%1").arg(static_cast<quint32>(v.toLongLong()), 8, 16, QLatin1Char('0'))
                       : kStringPrefix + v.toString();
    }
#endif
    const auto [section, key] = SectionAndKey(name);
    if (key.isEmpty())
        return std::nullopt;
    const TIdentity identity(m_userStore);
    const QString store = !QFileInfo::exists(m_path) && !m_legacy.isEmpty() ? m_legacy : m_path;
    for (const QString& path : {store, m_defaults}) {
        if (path.isEmpty())
            continue;
        const TProfileFile file(path, TProfileFile::TEncoding::Utf8);
        if (!file.KeyExists(section, key))
            continue;
        const QString value = file.ReadString(section, key);
        // The profile rules took the quotes off; the earlier store escaped inside them.
        return value.contains(QLatin1Char('\\')) ? Unescaped(value) : value;
    }
    return std::nullopt;
}

std::optional<QString> TMachineSettings::ReadString(const QString& name) const
{
    const std::optional<QString> raw = RawValue(name);
    if (!raw)
        return std::nullopt;
    const TStoredValue v = Decode(*raw);
    if (v.type != TStoredType::String)
        return std::nullopt;
    return v.text;
}

std::optional<qint32> TMachineSettings::ReadInteger(const QString& name) const
{
    const std::optional<QString> raw = RawValue(name);
    if (!raw)
        return std::nullopt;
    const TStoredValue v = Decode(*raw);
    if (v.type != TStoredType::Integer)
        return std::nullopt;
    return v.integer;
}

bool TMachineSettings::ValueExists(const QString& name) const { return RawValue(name).has_value(); }

bool TMachineSettings::Change(const std::function<bool(TProfileFile&)>& change)
{
    const TIdentity identity(m_userStore);
    if (m_userStore) {
        if (const QString problem = ForeignPathProblem(m_path, m_userHome); !problem.isEmpty()) {
            m_error = QStringLiteral("Cannot write the machine settings \"%1\": %2").arg(m_path, problem);
            return false;
        }
    }
    const QFileInfo info(m_path);
    const QString folder = info.absolutePath();
    if (!QDir().mkpath(folder)) {
        m_error = QStringLiteral("Cannot write the machine settings \"%1\": the folder cannot be made").arg(m_path);
        return false;
    }
    // Two programs writing at once must not undo each other's change.
    QLockFile lock(m_path + QStringLiteral(".lock"));
    if (!lock.tryLock(5000)) {
        m_error = QStringLiteral("Cannot write the machine settings \"%1\": it is locked").arg(m_path);
        return false;
    }
    if (!info.exists() && !m_legacy.isEmpty() && QFileInfo::exists(m_legacy)) {
        QByteArray bytes;
        if (!ReadBoundedFile(m_legacy, TFileKind::Settings, bytes, &m_error) ||
            !WriteFileAtomically(m_path, bytes, &m_error))
            return false;
    }
    TProfileFile file(m_path, TProfileFile::TEncoding::Utf8);
    const bool ok = change(file);
    if (!ok)
        m_error = file.ErrorString();
    return ok;
}

bool TMachineSettings::Write(const QString& name, const QString& raw)
{
#ifdef Q_OS_WIN
    if (IsRegistry()) {
        QSettings settings(m_path, QSettings::Registry32Format);
        const TStoredValue v = Decode(raw);
        if (v.type == TStoredType::Integer)
            settings.setValue(name, v.integer);
        else
            settings.setValue(name, v.text);
        settings.sync();
        if (settings.status() == QSettings::NoError)
            return true;
        m_error = QStringLiteral("Cannot write the machine settings \"%1\"").arg(m_path);
        return false;
    }
#endif
    const auto [section, key] = SectionAndKey(name);
    return Change([&](TProfileFile& file) { return file.WriteString(section, key, Quoted(raw)); });
}

bool TMachineSettings::WriteString(const QString& name, const QString& value)
{
    return Write(name, kStringPrefix + value);
}

bool TMachineSettings::WriteInteger(const QString& name, qint32 value)
{
    return Write(name, kIntegerPrefix + QStringLiteral("%1").arg(static_cast<quint32>(value), 8, 16, QLatin1Char('0')));
}

bool TMachineSettings::DeleteValue(const QString& name)
{
#ifdef Q_OS_WIN
    if (IsRegistry()) {
        QSettings settings(m_path, QSettings::Registry32Format);
        settings.remove(name);
        settings.sync();
        return settings.status() == QSettings::NoError;
    }
#endif
    const auto [section, key] = SectionAndKey(name);
    if (!QFileInfo::exists(m_path) && (m_legacy.isEmpty() || !QFileInfo::exists(m_legacy)))
        return true;
    const TProfileFile current(m_path, TProfileFile::TEncoding::Utf8);
    if (QFileInfo::exists(m_path) && !current.KeyExists(section, key) && current.ReadProblem().isEmpty())
        return true;
    return Change([&](TProfileFile& file) { return file.DeleteKey(section, key); });
}
