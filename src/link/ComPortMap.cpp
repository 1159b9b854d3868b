#include "ComPortMap.h"

#include "MachineSettings.h"

#include <QtGlobal>

TComPortMap::Resolution TComPortMap::Resolve(int com) const
{
    if (auto it = m_overrides.find(com); it != m_overrides.end())
        return {*it, Source::Override};
    const QByteArray env = qgetenv(QStringLiteral("TUNEBENCH_COM%1").arg(com).toLatin1().constData());
    if (!env.isEmpty())
        return {QString::fromLocal8Bit(env), Source::Environment};
    const TMachineSettings settings;
    if (const QString stored = StoredPath(settings, com); !stored.isEmpty())
        return {stored, Source::Stored};
    // A technician with one USB adapter and no assignment means that adapter.
    if (com == kFirstCom && !AnyStored(settings)) {
        const auto adapter = SerialPortList::SingleUsbAdapter(Scan());
        if (adapter)
            return {adapter->PreferredName(), Source::SingleUsbAdapter};
    }
    return {PlatformDefault(com), Source::PlatformDefault};
}

void TComPortMap::SetOverride(int com, const QString& path) { m_overrides[com] = path; }

QString TComPortMap::PlatformDefault(int com)
{
#ifdef Q_OS_WIN
    return QStringLiteral("COM%1").arg(com);
#else
    return QStringLiteral("/dev/ttyS%1").arg(com - 1);
#endif
}

QString TComPortMap::SettingName(int com) { return QStringLiteral("Ports/COM%1").arg(com); }

QString TComPortMap::StoredPath(const TMachineSettings& settings, int com)
{
    return settings.ReadString(SettingName(com)).value_or(QString());
}

bool TComPortMap::Store(TMachineSettings& settings, int com, const QString& path)
{
    if (path.isEmpty())
        return settings.DeleteValue(SettingName(com));
    return settings.WriteString(SettingName(com), path);
}

bool TComPortMap::AnyStored(const TMachineSettings& settings)
{
    for (int com = kFirstCom; com <= kLastCom; ++com)
        if (!StoredPath(settings, com).isEmpty())
            return true;
    return false;
}
