#include "ComPortMap.h"

#include <QtGlobal>

#if __has_include("MachineSettings.h")
#include "MachineSettings.h"
#define TB_HAVE_MACHINE_SETTINGS 1
#endif

QString TComPortMap::DevicePath(int com) const
{
    if (auto it = m_overrides.find(com); it != m_overrides.end())
        return *it;
    const QByteArray env = qgetenv(QStringLiteral("TUNEBENCH_COM%1").arg(com).toLatin1().constData());
    if (!env.isEmpty())
        return QString::fromLocal8Bit(env);
#ifdef TB_HAVE_MACHINE_SETTINGS
    if (auto stored = TMachineSettings().ReadString(QStringLiteral("Ports/COM%1").arg(com)); stored && !stored->isEmpty())
        return *stored;
#endif
    return PlatformDefault(com);
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
