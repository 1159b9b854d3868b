#pragma once

#include "AnswerDating.h"
#include "LineUnsettledNote.h"
#include "LinkPresenter.h"
#include "MailFrame.h"
#include "VirtualCom.h"

#include <QByteArrayView>
#include <QString>
#include <QTimer>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <stdexcept>

class TTpaProComImpl;

class TMailControl;

// How the attempts of an EEPROM write mail ended: the read-back matched, it
// answered otherwise, or it got nothing back.
enum class TWriteResult { Confirmed, NotConfirmed, NoAnswer };
// An EEPROM write mail that went on the line, once its attempts are over.
struct TWriteRecord {
    int com = 0;
    QString devicePath; // what the COM number named, when the channel knows
    std::int32_t baud = 0;
    std::uint16_t address = 0;
    QByteArray bytes; // as sent
    TWriteResult result = TWriteResult::NoAnswer;
};
// Told of every such write. One for the whole program (the journal).
using TWriteObserver = std::function<void(const TWriteRecord& write)>;

// The mail exchange engine and the device operations built on it. Runs on the
// UI thread; its waits keep the event loop running and sleep between events.
class TMailControl {
public:
    explicit TMailControl(TVirtualCom* channel);
    virtual ~TMailControl();
    TMailControl(const TMailControl&) = delete;
    TMailControl& operator=(const TMailControl&) = delete;

    // Settings, public as the windows set them between mails.
    std::uint16_t MaxWriteAttempts = 10;
    std::uint16_t WriteRetryDelay = 300;
    std::uint16_t ReadTries = 1;
    std::uint16_t ReadRetryDelay = 300;
    std::uint16_t PollInterval = 1;
    std::uint16_t ReadbackDelay = 10;
    std::uint16_t AnswerTimeout = 1000;
    std::uint16_t GapTimeout = 250;
    bool ShowDialogs = true;
    std::uint8_t ChunkSize = 8;
    bool StopRequested = false;
    // Ends the work on the link between mails: the operation in flight (a
    // write with its read-backs, reported to the write observer) completes,
    // and the next one finds StopRequested set. A closing window uses it, so
    // that no write is left unread-back.
    void StopBetweenMails() { m_stopBetweenMails = true; }

    // ProbeDevice sends its mail this many times at most.
    static constexpr int kProbeAttempts = 6;

    [[nodiscard]] static QString CorrectMail(const QString& s);

    QString SendMail(const QString& mail);
    std::uint8_t SendMailToArray(const QString& mail, std::span<std::uint8_t> buf);
    std::uint8_t RcvArray(std::span<std::uint8_t> buf) const;

    // Device operations.
    QString ReadEepromText(std::uint8_t al, std::uint8_t ah, std::uint8_t count);
    std::uint8_t ReadEepromBytes(std::uint8_t al, std::uint8_t ah, std::uint8_t count, std::span<std::uint8_t> buf);
    std::uint8_t ReadEepromBytesAt(std::uint16_t address, std::uint8_t count, std::span<std::uint8_t> buf);
    bool WriteEepromText(std::uint8_t al, std::uint8_t ah, std::uint8_t count, const QString& dataText);
    bool WriteEepromBytes(std::uint8_t al, std::uint8_t ah, std::uint8_t count, std::span<const std::uint8_t> data);
    int WriteEepromBlock(std::uint16_t address, std::span<const std::uint8_t> data, int n);
    std::int8_t ProbeDevice(int pauseMs);
    bool OpenPort(std::uint8_t com, std::int32_t baud);
    bool ClosePort();
    [[nodiscard]] bool IsPortOpen() const;
    bool SetDtrRts(bool dtr, bool rts);
    void DisableEcho() { m_mail.EchoOn = false; }
    void SetEchoOn(bool on) { m_mail.EchoOn = on; }
    void SetEchoBack(bool on) { m_mail.EchoBack = on; }
    [[nodiscard]] bool EchoOn() const { return m_mail.EchoOn; }
    [[nodiscard]] bool EchoBack() const { return m_mail.EchoBack; }
    void LogPortState();
    // Waits ms milliseconds with the event loop running; ends at once when a
    // stop is requested or the port is closed or lost. False when cut short.
    bool Pause(int ms);
    void ShowMonitor();
    static void FreeMonitor();

    void SetPresenter(ILinkPresenter* presenter) { m_presenter = presenter; }
    static void SetWriteObserver(TWriteObserver observer);
    [[nodiscard]] static const TWriteObserver& WriteObserver();
    [[nodiscard]] bool Success() const { return m_success; }
    [[nodiscard]] const TMail& Mail() const { return m_mail; }
    [[nodiscard]] bool Busy() const { return m_busy; }
    [[nodiscard]] bool Dtr() const { return m_dtr; }
    [[nodiscard]] bool Rts() const { return m_rts; }
    [[nodiscard]] TVirtualCom* Channel() const { return m_channel; }
    // Optional: progress of WriteEepromBlock, called with each confirmed chunk size.
    std::function<void(int)> OnBlockProgress;
    // Optional: ProbeDevice is about to send attempt n of all attempts.
    std::function<void(int n, int all)> OnProbeAttempt;
    // Optional: the port vanished under the link (adapter pulled, line dropped) and was closed.
    std::function<void()> OnPortLost;
    // Optional: ProbeDevice has ended, answered or not.
    std::function<void()> OnProbeEnded;

    [[nodiscard]] std::uint8_t AnswerLength() const;
    [[nodiscard]] bool ChecksumTest() const;
    [[nodiscard]] bool IsWriteMail() const;
    // The last answer is a well-formed, checksummed answer of exactly count data bytes.
    [[nodiscard]] bool AnswerConfirms(int count) const;
    // The last answer is complete and its checksum holds; an empty answer included.
    [[nodiscard]] bool AnswerWellFormed() const;
    // Mails sent on the line since the link was made, read-backs of writes included.
    [[nodiscard]] int MailsSent() const { return m_mailsSent; }
    // Mails that got a well-formed answer, and those at the end that expected
    // one in vain (writes, which get none, are not counted).
    [[nodiscard]] int MailsAnswered() const { return m_mailsAnswered; }
    [[nodiscard]] int MailsUnansweredInARow() const { return m_unansweredInARow; }
    // Received bytes dropped in two-wire mode because they began to arrive
    // before the request could have crossed the line.
    [[nodiscard]] int StaleBytesDropped() const { return m_staleBytes; }
    // Reads sent again because their answer began too soon to be theirs, or
    // another frame followed it where the device's own answer would begin.
    [[nodiscard]] int UndatedAnswers() const { return m_undatedAnswers; }

protected:
    void OnPortData(const QByteArray& data);

private:
    // Marks the link busy for one operation; a nested operation is refused.
    class BusyScope {
    public:
        explicit BusyScope(TMailControl* self) : m_self(self) { m_self->m_busy = true; }
        ~BusyScope() { m_self->m_busy = false; }
        BusyScope(const BusyScope&) = delete;
        BusyScope& operator=(const BusyScope&) = delete;

    private:
        TMailControl* m_self;
    };

    // StopRequested, once a stop between mails has come at an operation's start.
    [[nodiscard]] bool StopNow();
    QString DoSendMail(const QString& mail);
    std::uint8_t DoSendMailToArray(const QString& mail, std::span<std::uint8_t> buf);
    bool DoWriteEepromBytes(std::uint8_t al, std::uint8_t ah, std::uint8_t count, std::span<const std::uint8_t> data);
    void BuildFrame(const QString& mail);
    std::int64_t Exchange();
    void SendAndWait();
    bool VerifyWrite();
    [[nodiscard]] int EchoLength() const { return MailFrame::EchoLength(m_mail); }
    [[nodiscard]] bool WaitCondition(int needed) const;
    [[nodiscard]] int BytesAwaited() const;
    [[nodiscard]] int AwaitedNext() const;
    void WaitForAnswer();
    void SettleLine();
    // When a late answer to the last exchange may still come (ReadCounter time).
    [[nodiscard]] std::int64_t LateAnswerBy() const;
    // Tells the next program to open the port that the line is not yet quiet.
    void NoteLineUnsettled();
    void AlignOnEcho();
    void OnGapTimer();
    void UpdateReceiveThreshold();
    void PauseUntilBytesCanBeThere();
    void StopGapTimer();
    void LookWhenAnswerCanBegin();
    // Sleeps until a ReadCounter() time, the event loop running but for the
    // last stretch; false when a stop or a lost port cut it short.
    bool SleepUntil(std::int64_t when);
    // The line stayed quiet after the answer, or only repeated it.
    bool LineQuietAfterAnswer();
    void KeepSecondFrameApart();
    // Parts of OnPortData: the gap allowance, two-wire stale bytes, the
    // buffer, the dating of the answer's first bytes.
    void NoteLineActivity(std::int64_t now);
    QByteArrayView DropStaleLead(const QByteArray& data, std::int64_t now);
    void Append(QByteArrayView fresh);
    void DateAnswer(std::int64_t now);
    [[nodiscard]] bool IsReadMail() const;
    void ReportWrite() const;

    TVirtualCom* m_channel;
    ILinkPresenter* m_presenter = nullptr;
    TMail m_mail;
    bool m_receiving = false;
    bool m_success = false;
    bool m_busy = false;
    bool m_stopBetweenMails = false;
    bool m_dtr = true;
    bool m_rts = false;
    bool m_modemLinesLogged = false;
    bool m_echoFound = false;
    // When the echo was in.
    std::int64_t m_echoIn = 0;
    bool m_readbackAnswered = false;
    // The last exchange ended without its complete answer; its rest may still come.
    bool m_lineUnsettled = false;
    // ... and not one byte of its answer came.
    bool m_answerMissing = false;
    std::int64_t m_lastSend = 0;
    std::optional<TLineUnsettledNote> m_note;
    std::int64_t m_lastLineActivity = 0;
    int m_waitNeeded = 0;
    int m_mailsSent = 0;
    int m_mailsAnswered = 0;
    int m_unansweredInARow = 0;
    int m_staleBytes = 0;
    // Bytes are dated against the request just sent.
    bool m_datingAnswers = false;
    TAnswerDating m_dating;
    // The look at the earliest answer time came too late to date what it found.
    bool m_lookingLate = false;
    bool m_answerUndated = false;
    bool m_answerDated = false;
    // Bytes after a complete answer, while the line must stay quiet.
    bool m_listeningAfterAnswer = false;
    QByteArray m_afterAnswer;
    int m_undatedAnswers = 0;
    std::int64_t m_startTime;
    std::int64_t m_gapPeriodMs = 110;
    std::int64_t m_gapDeadline = 0;
    bool m_gapRunning = false;
    QTimer m_answerTimer;
    QTimer m_gapTimer;
};

// The link object the windows create: a mail engine that owns its serial channel.
namespace detail {
struct ChannelHolder {
    ChannelHolder();
    ~ChannelHolder();
    std::unique_ptr<TTpaProComImpl> m_ownedChannel;
};
} // namespace detail

class TSendmail : private detail::ChannelHolder, public TMailControl {
public:
    TSendmail();
    ~TSendmail() override;
    [[nodiscard]] TTpaProComImpl& Port() { return *m_ownedChannel; }
};
