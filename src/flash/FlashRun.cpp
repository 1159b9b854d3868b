#include "FlashRun.h"

#include "Comm.h"
#include "FileLocations.h"
#include "FlashLoadSC14428.h"
#include "IntelHex.h"
#include "RflConsoleText.h"
#include "RflDownload.h"
#include "RflLibrary.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>

const QString TFlashRun::kPowerOff = QStringLiteral("Turn power off the PP / FP / WRFP! - and then click OK.");
const QString TFlashRun::kPressHookKey = QStringLiteral("While pressing the hook key click the OK button!");
const QString TFlashRun::kTurnOnPower = QStringLiteral("Turn on power to the target - and then click OK.");
const QString TFlashRun::kComError = QStringLiteral("Could not open the serial device.");
const QString TFlashRun::kStopped = QStringLiteral("Download stopped by the user");
const QString TFlashRun::kNoAnswer = QStringLiteral(
    "No answer from the target: the line or the target fell silent. Check the cable and the power and try again.");
const QString TFlashRun::kRefused = QStringLiteral("The target refused the download.");

TFlashRun::TFlashRun(Options options)
    : m_options(std::move(options)), m_dataFolder(TFileLocations(m_options.ProgramFolder).DataFolder())
{
    m_log.OnChange = [this](int index, bool added) { Emit(index, added); };
}

TFlashRun::~TFlashRun() = default;

void TFlashRun::Emit(int index, bool added)
{
    if (added) {
        for (; m_printed < index; ++m_printed)
            if (Line)
                Line(m_log.Line(m_printed));
    }
    if (index == m_log.LineCount() - 1 && index >= m_printed && Pending)
        Pending(m_log.Line(index));
}

void TFlashRun::Flush()
{
    for (; m_printed < m_log.LineCount(); ++m_printed)
        if (Line)
            Line(m_log.Line(m_printed));
}

int TFlashRun::Stopped()
{
    Flush();
    if (Line)
        Line(kStopped);
    return kFailed;
}

int TFlashRun::Failed(TFlashFailure failure)
{
    Flush();
    if (Line && failure != TFlashFailure::None)
        Line(failure == TFlashFailure::NoAnswer ? kNoAnswer : kRefused);
    return kFailed;
}

void TFlashRun::Interrupt()
{
    // The loaders report their end themselves once they have let go of the port.
    m_interrupted = true;
    if (m_loader)
        m_loader->Stop();
    if (m_rfl)
        m_rfl->Stop();
}

TFlashRun::InputCheck TFlashRun::CheckInput(const TFlashTarget& target, const QString& file, const QString& dataFolder,
                                            const InputTexts& texts)
{
    const tbload::HexResult hex = tbload::ReadIntelHex(QFile::encodeName(file).toStdString());
    if (hex.status == tbload::HexResult::Status::Stopped)
        return {kFailed, {}};
    if (hex.status == tbload::HexResult::Status::Unreadable)
        return {kBadInput, texts.SoftwareUnreadable.arg(file, QString::fromStdString(hex.message))};
    if (hex.status != tbload::HexResult::Status::Ok)
        return {kBadInput, texts.SoftwareInvalid.arg(file, QString::fromStdString(hex.message))};
    if (target.Path == TFlashPath::Rfl) {
        const QString config = dataFolder + QStringLiteral("CFG/") + QLatin1String(target.ConfigFile);
        if (!QFileInfo(config).isReadable())
            return {kBadInput, texts.ConfigUnreadable.arg(config)};
    }
    return {};
}

int TFlashRun::Check(const TFlashTarget& target)
{
    // The whole file is checked before the port is touched.
    const InputCheck checked = CheckInput(target, m_options.File, m_dataFolder, InputTexts{});
    if (checked.Exit == kFailed)
        return Stopped();
    if (checked.Exit != kDone)
        Line(checked.Line);
    return checked.Exit;
}

int TFlashRun::Run()
{
    const TFlashTarget* target = FlashTarget(m_options.Target);
    if (!target) {
        Line(QStringLiteral("No such target: %1 (0 to %2)").arg(m_options.Target).arg(kFlashTargetCount - 1));
        return kBadInput;
    }
    if (const int checked = Check(*target); checked != kDone)
        return checked;
    if (!Prompt(kPowerOff))
        return Stopped();
    return target->Path == TFlashPath::SC14428 ? RunSC14428(*target) : RunRfl(*target);
}

int TFlashRun::RunSC14428(const TFlashTarget& target)
{
    {
        TComm comm;
        comm.Port = quint8(m_options.Com);
        if (!comm.Open()) {
            Line(kComError);
            Line(comm.OpenFailure());
            return kPort;
        }
        comm.SetDTR(false);
        comm.SetRTS(false);
        if (target.Prompt == TFlashPrompt::PressHookKey && !Prompt(kPressHookKey))
            return Stopped();
    }
    if (target.Prompt == TFlashPrompt::TurnOnPower && !Prompt(kTurnOnPower))
        return Stopped();
    if (m_interrupted)
        return Stopped();

    TFlashLoadSC14428 loader;
    [[maybe_unused]] const quint32 version = loader.DllVersion();
    QEventLoop loop;
    bool ended = false, success = false, failed = false, noTarget = false, badFile = false;
    TFlashFailure failure = TFlashFailure::None;
    TFlashLoaderHooks& hooks = FlashLoaderHooks();
    const TFlashLoaderHooks saved = hooks;
    hooks.Log = [&](quint16, const QString& text) {
        AddLoaderLogLine(m_log, text);
        noTarget = noTarget || text.contains(QStringLiteral("COM_PORT_SEARCHING_TIMEOUT_IND"));
        badFile = badFile || text.contains(QStringLiteral("HEX_FILE_ERROR_IND"));
        failed = failed || text.contains(QStringLiteral("CRC_ERROR_IND"));
        if (const TFlashFailure f = FlashFailureOfIndication(text); f != TFlashFailure::None)
            failure = f;
    };
    hooks.Busy = [&](quint16, bool busy) {
        if (!busy) {
            ended = true;
            loop.quit();
        }
    };
    hooks.Error = [&](quint16, const QString&) { failed = true; };
    hooks.Success = [&](quint16) { success = true; };

    m_loader = &loader;
    const quint16 code =
        loader.Download(quint32(m_options.Com), kSC14428ModeByte, kSC14428BaudRate, kSC14428ModeByte, m_options.File);
    m_log.AddLine(loader.StatusText());
    int result = kFailed;
    if (code == NO_ERROR_FLASH_LOADER) {
        if (m_interrupted)
            loader.Stop();
        if (!ended)
            loop.exec();
        result = success && !failed ? kDone : badFile ? kBadInput : noTarget ? kNoTarget : kFailed;
    }
    else
        result = code == NO_ACCESS_COMPORT_FLASH_LOADER  ? kPort
                 : code == FILEACCESS_ERROR_FLASH_LOADER ? kBadInput
                                                         : kFailed;
    m_loader = nullptr;
    // Hooks still queued (the error hook of a refused start) belong to this run.
    QCoreApplication::processEvents();
    hooks = saved;
    if (m_interrupted)
        return Stopped();
    if (result == kFailed)
        return Failed(failure);
    Flush();
    return result;
}

int TFlashRun::RunRfl(const TFlashTarget& target)
{
    try {
        TRflLibrary::Load();
    }
    catch (const EDLLLoadError& error) {
        Line(error.Message());
        return kBadInput;
    }
    TRflConsoleText console(m_log);
    TRflDownload download;
    QEventLoop loop;
    char lastKey = 0;
    int result = kFailed;
    bool returned = false;
    QObject::connect(&download, &TRflDownload::Returned, &loop, [&](int r) {
        result = r;
        returned = true;
        loop.quit();
    });
    TRflCallbacks callbacks;
    callbacks.TextOut = [&](const QByteArray& piece) { console.TextOut(piece); };
    callbacks.WaitKey = [&] {
        lastKey = m_interrupted ? char(0x1B) : Key();
        return 1;
    };
    callbacks.GetKey = [&] {
        const char key = lastKey;
        lastKey = ' ';
        return key;
    };
    callbacks.KeyAvailable = [] { return 1; };
    download.Init(callbacks);
    if (!download.Run(RflArguments(m_dataFolder, target, m_options.File, m_options.Com))) {
        Line(QStringLiteral("Another download is running"));
        return kFailed;
    }
    m_rfl = &download;
    if (m_interrupted)
        download.Stop();
    if (!returned)
        loop.exec();
    m_rfl = nullptr;
    download.Stop();
    QCoreApplication::processEvents(); // text pieces still queued
    if (m_interrupted)
        return Stopped();
    Flush();
    if (!returned)
        return kFailed;
    switch (result) {
    case kDone:
    case kBadInput:
    case kPort:
    case kNoTarget:
        return result;
    default:
        return Failed(FlashFailureOfRflResult(result));
    }
}
