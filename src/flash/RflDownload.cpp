#include "RflDownload.h"

#include "RflLibrary.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QPointer>
#include <QThread>
#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>

namespace {

// A call carried to the owner's thread; the library's thread waits for it
// unless the download is being stopped.
struct PendingCall {
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false;
    bool abandoned = false;
    int result = 0;
};

// Program-wide, as the library holds plain function addresses.
struct Bridge {
    std::mutex mutex;
    std::condition_variable changed;
    TRflCallbacks callbacks;
    QPointer<QObject> owner;
    std::shared_ptr<PendingCall> pending;
    bool stopping = false;
    std::atomic<bool> running{false};
    std::array<QByteArray, TRflDownload::kArgumentSlots> arguments;
    std::array<const char*, TRflDownload::kArgumentSlots> argumentTable{};
};

Bridge& TheBridge()
{
    static Bridge bridge;
    return bridge;
}

bool OnOwnerThread()
{
    Bridge& b = TheBridge();
    return b.owner && QThread::currentThread() == b.owner->thread();
}

void Post(std::function<void()> call)
{
    Bridge& b = TheBridge();
    if (b.owner)
        QMetaObject::invokeMethod(b.owner.data(), std::move(call), Qt::QueuedConnection);
}

// Runs call on the owner's thread and waits for its result; fallback when the
// download is being stopped.
int CallOnOwner(const std::function<int()>& call, int fallback)
{
    if (OnOwnerThread())
        return call();
    Bridge& b = TheBridge();
    auto pending = std::make_shared<PendingCall>();
    {
        std::lock_guard lock(b.mutex);
        if (b.stopping || !b.owner)
            return fallback;
        b.pending = pending;
    }
    Post([pending, call] {
        {
            std::lock_guard lock(pending->mutex);
            if (pending->abandoned)
                return;
        }
        const int result = call();
        std::lock_guard lock(pending->mutex);
        pending->result = result;
        pending->finished = true;
        pending->done.notify_all();
    });
    std::unique_lock lock(pending->mutex);
    pending->done.wait(lock, [&] { return pending->finished || pending->abandoned; });
    return pending->finished ? pending->result : fallback;
}

void TextOutTrampoline(const char* text)
{
    if (!text || !*text)
        return; // an empty piece carries nothing
    QByteArray piece(text);
    if (OnOwnerThread()) {
        if (const auto& f = TheBridge().callbacks.TextOut)
            f(piece);
        return;
    }
    Post([piece] {
        if (const auto& f = TheBridge().callbacks.TextOut)
            f(piece);
    });
}

int WaitKeyTrampoline()
{
    return CallOnOwner(
        [] {
            const auto& f = TheBridge().callbacks.WaitKey;
            return f ? f() : 1;
        },
        0);
}

char GetKeyTrampoline()
{
    constexpr char kEscape = 0x1B;
    return char(CallOnOwner(
        [] {
            const auto& f = TheBridge().callbacks.GetKey;
            return int(f ? f() : ' ');
        },
        kEscape));
}

int KeyAvailableTrampoline()
{
    return CallOnOwner(
        [] {
            const auto& f = TheBridge().callbacks.KeyAvailable;
            return f ? f() : 1;
        },
        1);
}

void FinishedTrampoline(int result)
{
    if (OnOwnerThread()) {
        if (const auto& f = TheBridge().callbacks.Finished)
            f(result);
        return;
    }
    Post([result] {
        if (const auto& f = TheBridge().callbacks.Finished)
            f(result);
    });
}

} // namespace

TRflDownload::TRflDownload(QObject* parent) : QObject(parent) {}

TRflDownload::~TRflDownload() { Stop(); }

void TRflDownload::Init(TRflCallbacks callbacks)
{
    Bridge& b = TheBridge();
    {
        std::lock_guard lock(b.mutex);
        b.callbacks = std::move(callbacks);
        b.owner = this;
    }
    TRflLibrary::Entry().Init(&TextOutTrampoline, &WaitKeyTrampoline, &GetKeyTrampoline, &KeyAvailableTrampoline);
}

bool TRflDownload::IsRunning() const { return TheBridge().running; }

bool TRflDownload::Run(const QList<QByteArray>& arguments)
{
    Bridge& b = TheBridge();
    if (b.running || !TRflLibrary::Entry().Run)
        return false;
    if (m_worker.joinable())
        m_worker.join();
    const int count = int(std::min<qsizetype>(arguments.size(), kArgumentSlots));
    for (int i = 0; i < kArgumentSlots; ++i) {
        b.arguments[size_t(i)] = i < count ? arguments[i] : QByteArray();
        b.argumentTable[size_t(i)] = b.arguments[size_t(i)].constData();
    }
    {
        std::lock_guard lock(b.mutex);
        b.stopping = false;
        b.owner = this;
    }
    b.running = true;
    const auto run = TRflLibrary::Entry().Run;
    QPointer<TRflDownload> self(this);
    m_worker = std::thread([run, count, self] {
        Bridge& bridge = TheBridge();
        const int result = run(count, bridge.argumentTable.data(), &FinishedTrampoline);
        bridge.running = false;
        Post([self, result] {
            if (self)
                emit self->Returned(result);
        });
    });
    return true;
}

void TRflDownload::Stop()
{
    Bridge& b = TheBridge();
    if (m_worker.joinable()) {
        {
            std::lock_guard lock(b.mutex);
            b.stopping = true;
            if (b.pending) {
                std::lock_guard pendingLock(b.pending->mutex);
                b.pending->abandoned = true;
                b.pending->done.notify_all();
            }
        }
        // The library ignores a stop before its run has begun: repeat it.
        while (b.running) {
            if (TRflLibrary::Entry().Terminate)
                TRflLibrary::Entry().Terminate();
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        m_worker.join();
    }
    std::lock_guard lock(b.mutex);
    if (b.owner == this)
        b.owner = nullptr;
}
