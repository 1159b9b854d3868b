#include "MachineSettings.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QStringList>
#include <memory>

namespace {

const QString kStringPrefix = QStringLiteral("sz:");
const QString kIntegerPrefix = QStringLiteral("dword:");
constexpr const char* kRelativeFile = "Tunebench/VUREZIVO.ini";

// May this process create or replace the file? Looks at the file, else at the
// nearest folder on its path that exists.
bool IsWritableLocation(const QString& file)
{
    QFileInfo info(file);
    if (info.exists())
        return info.isWritable() && QFileInfo(info.absolutePath()).isWritable();
    QDir dir = info.absoluteDir();
    while (!dir.exists())
        if (!dir.cdUp())
            return false;
    return QFileInfo(dir.absolutePath()).isWritable();
}

enum class TStoredType { None, String, Integer };

struct TStoredValue {
    TStoredType type = TStoredType::None;
    QString text;
    qint32 integer = 0;
};

TStoredValue Decode(const QVariant& v, bool registry)
{
    TStoredValue r;
    if (!v.isValid())
        return r;
    if (registry) {
        switch (v.typeId()) {
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
            r.type = TStoredType::Integer;
            r.integer = static_cast<qint32>(v.toLongLong());
            return r;
        default:
            r.type = TStoredType::String;
            r.text = v.toString();
            return r;
        }
    }
    // A hand-written value with commas comes back from QSettings as a list.
    const QString s = v.typeId() == QMetaType::QStringList ? v.toStringList().join(QLatin1Char(',')) : v.toString();
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

std::unique_ptr<QSettings> OpenStore(const QString& path, bool registry)
{
#ifdef Q_OS_WIN
    if (registry)
        return std::make_unique<QSettings>(path, QSettings::Registry32Format);
#else
    Q_UNUSED(registry);
#endif
    return std::make_unique<QSettings>(path, QSettings::IniFormat);
}

} // namespace

TMachineSettings::TMachineSettings(QString path) : m_path(std::move(path)) {}

QString TMachineSettings::DefaultPath()
{
    const QString fromEnvironment = qEnvironmentVariable(kPathVariable);
    if (!fromEnvironment.isEmpty())
        return fromEnvironment;
#ifdef Q_OS_WIN
    return QStringLiteral("HKEY_LOCAL_MACHINE\\SOFTWARE\\VUREZIVO");
#else
    // The first location is the user's; the others are system-wide.
    const QStringList dirs = QStandardPaths::standardLocations(QStandardPaths::GenericConfigLocation);
    for (qsizetype i = 1; i < dirs.size(); ++i) {
        const QString candidate = dirs[i] + QLatin1Char('/') + QLatin1String(kRelativeFile);
        if (IsWritableLocation(candidate))
            return candidate;
    }
    const QString user = dirs.isEmpty() ? QDir::homePath() + QStringLiteral("/.config") : dirs.first();
    return user + QLatin1Char('/') + QLatin1String(kRelativeFile);
#endif
}

bool TMachineSettings::IsRegistry() const
{
#ifdef Q_OS_WIN
    return m_path.startsWith(QStringLiteral("HKEY_"), Qt::CaseInsensitive);
#else
    return false;
#endif
}

// The name as the store spells it, so that names match without regard to case
// in an INI file as they do in the registry.
QString TMachineSettings::StoredName(QSettings& settings, const QString& name) const
{
    const QStringList parts = name.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    if (IsRegistry() || parts.isEmpty())
        return name;
    QStringList resolved;
    for (qsizetype i = 0; i < parts.size(); ++i) {
        const bool last = i == parts.size() - 1;
        const QStringList present = last ? settings.childKeys() : settings.childGroups();
        QString actual = parts[i];
        if (!present.contains(actual))
            for (const QString& p : present)
                if (p.compare(actual, Qt::CaseInsensitive) == 0) {
                    actual = p;
                    break;
                }
        resolved.append(actual);
        if (!last)
            settings.beginGroup(actual);
    }
    for (qsizetype i = 1; i < parts.size(); ++i)
        settings.endGroup();
    return resolved.join(QLatin1Char('/'));
}

std::optional<QString> TMachineSettings::ReadString(const QString& name) const
{
    auto settings = OpenStore(m_path, IsRegistry());
    const TStoredValue v = Decode(settings->value(StoredName(*settings, name)), IsRegistry());
    if (v.type != TStoredType::String)
        return std::nullopt;
    return v.text;
}

std::optional<qint32> TMachineSettings::ReadInteger(const QString& name) const
{
    auto settings = OpenStore(m_path, IsRegistry());
    const TStoredValue v = Decode(settings->value(StoredName(*settings, name)), IsRegistry());
    if (v.type != TStoredType::Integer)
        return std::nullopt;
    return v.integer;
}

bool TMachineSettings::ValueExists(const QString& name) const
{
    auto settings = OpenStore(m_path, IsRegistry());
    return settings->contains(StoredName(*settings, name));
}

bool TMachineSettings::Finish(QSettings& settings)
{
    settings.sync();
    switch (settings.status()) {
    case QSettings::NoError:
        return true;
    case QSettings::AccessError:
        m_error = QStringLiteral("Cannot write the machine settings \"%1\"").arg(m_path);
        return false;
    case QSettings::FormatError:
        m_error = QStringLiteral("The machine settings \"%1\" are not readable").arg(m_path);
        return false;
    }
    return false;
}

bool TMachineSettings::WriteString(const QString& name, const QString& value)
{
    auto settings = OpenStore(m_path, IsRegistry());
    const QString stored = StoredName(*settings, name);
    if (IsRegistry())
        settings->setValue(stored, value);
    else
        settings->setValue(stored, kStringPrefix + value);
    return Finish(*settings);
}

bool TMachineSettings::WriteInteger(const QString& name, qint32 value)
{
    auto settings = OpenStore(m_path, IsRegistry());
    const QString stored = StoredName(*settings, name);
    if (IsRegistry())
        settings->setValue(stored, value);
    else
        settings->setValue(stored, kIntegerPrefix +
                                       QStringLiteral("%1").arg(static_cast<quint32>(value), 8, 16, QLatin1Char('0')));
    return Finish(*settings);
}

bool TMachineSettings::DeleteValue(const QString& name)
{
    auto settings = OpenStore(m_path, IsRegistry());
    const QString stored = StoredName(*settings, name);
    if (!settings->contains(stored))
        return true;
    settings->remove(stored);
    return Finish(*settings);
}
