#include "FlashLoadSC14428.h"

#include "FlashIndication.h"

#include <QCoreApplication>
#include <QFile>
#include <QMetaObject>

namespace {

quint16 g_instanceCounter = 0;

// Runs the hooks of one line on the application's thread; posted events to
// one receiver keep their order.
void PostToHooks(std::function<void()> call)
{
    if (QCoreApplication* app = QCoreApplication::instance())
        QMetaObject::invokeMethod(app, std::move(call), Qt::QueuedConnection);
}

void RunHooks(const TIndicationLine& line)
{
    const TFlashLoaderHooks& hooks = FlashLoaderHooks();
    if (line.Busy && hooks.Busy)
        hooks.Busy(line.LoaderId, *line.Busy);
    if (hooks.Log)
        hooks.Log(line.LoaderId, line.Text);
    if (line.Error && hooks.Error)
        hooks.Error(line.LoaderId, line.Text);
    if (line.Success && hooks.Success)
        hooks.Success(line.LoaderId);
}

} // namespace

TFlashLoaderHooks& FlashLoaderHooks()
{
    static TFlashLoaderHooks hooks;
    return hooks;
}

extern "C" void FlashIndicationHandler(const FLoaderIndication* indication)
{
    if (!indication)
        return;
    const TIndicationRecord record = TIndicationRecord::Copy(*indication);
    PostToHooks([record] { RunHooks(DescribeIndication(record)); });
}

bool RegisterFlashIndicationHandler()
{
    SetupCallbackFunction(&FlashIndicationHandler);
    return ReadCallbackFunction() == &FlashIndicationHandler;
}

TFlashLoadSC14428::TFlashLoadSC14428() : m_id(g_instanceCounter++) {}

TFlashLoadSC14428::~TFlashLoadSC14428() { --g_instanceCounter; }

quint32 TFlashLoadSC14428::DllVersion() const { return FLoaderDLLVersion(); }

quint16 TFlashLoadSC14428::Download(quint32 comPort, quint8 firstMode, quint32 baudRate, quint8 secondMode,
                                    const QString& filePath)
{
    const QByteArray path = QFile::encodeName(filePath);
    const quint16 code = FlashLoader(comPort, firstMode, baudRate, secondMode, path.constData(), m_id);
    // Another code would otherwise leave the previous download's status standing.
    const QString text = FlashLoaderResultText(code);
    m_statusText =
        LoaderHead(m_id) + (text.isEmpty() ? QStringLiteral(" UNKNOWN_RESULT_FLASH_LOADER (%1)").arg(code) : text);
    if (code != NO_ERROR_FLASH_LOADER) {
        const quint16 id = m_id;
        const QString status = m_statusText;
        PostToHooks([id, status] {
            if (const auto& error = FlashLoaderHooks().Error)
                error(id, status);
        });
    }
    return code;
}

bool TFlashLoadSC14428::Stop() { return FlashLoaderStop(m_id) != 0; }
