#include "FlashTargets.h"

#include <QFile>
#include <QList>

const std::array<TFlashTarget, kFlashTargetCount>& FlashTargets()
{
    using P = TFlashPath;
    using Q = TFlashPrompt;
    static const std::array<TFlashTarget, kFlashTargetCount> targets = {{
        {0, "DAVO 73xx (1G8)", P::Rfl, "402.cfg", Q::None},
        {1, "DAVO Repeater (National RF)", P::Rfl, "402.cfg", Q::None},
        {2, "DAVO Base Station 1.8 GHz", P::Rfl, "Base_1G8.cfg", Q::None},
        {3, "DAVO Repeater (Infineon RF)", P::Rfl, "405.cfg", Q::None},
        {4, "DAVO 8220/8240/8280 (1.8/1.9 GHz)", P::SC14428, nullptr, Q::PressHookKey},
        {5, "DAVO Wireless Server 700 1.8 GHz", P::Rfl, "Q700_1G8.cfg", Q::None},
        {6, "DAVO Repeater 4 ch (WRFP 40)", P::SC14428, nullptr, Q::TurnOnPower},
        {7, "DAVO 7310 (1G8 - HW PCS 70 and above)", P::SC14428, nullptr, Q::PressHookKey},
        {8, "DAVO Base Station 1.8/1.9 GHz (RFP9)", P::SC14428, nullptr, Q::TurnOnPower},
    }};
    return targets;
}

const TFlashTarget* FlashTarget(int index)
{
    return index >= 0 && index < kFlashTargetCount ? &FlashTargets()[size_t(index)] : nullptr;
}

QByteArray RflConfigArgument(const QString& dataFolder, const TFlashTarget& target)
{
    return "-@" + QFile::encodeName(dataFolder + QStringLiteral("CFG/") + QLatin1String(target.ConfigFile));
}

QList<QByteArray> RflArguments(const QString& dataFolder, const TFlashTarget& target, const QString& softwareFile,
                               int comPort)
{
    return {QByteArrayLiteral("tyt "), RflConfigArgument(dataFolder, target), QFile::encodeName(softwareFile),
            "-c=" + QByteArray::number(comPort)};
}
