#pragma once

#include "RepeaterFields.h"

#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

class TMailControl;

// What the read and write sequences report, step by step, so that a read that
// stops half way still shows what it got.
class IRepeaterView {
public:
    virtual ~IRepeaterView() = default;
    virtual void SetLayout(int layout) = 0;
    virtual void ShowField(RepeaterField field, const QString& text) = 0;
    virtual void SetDebugBeep(bool on) = 0;
    virtual void ShowBusyBitHint(bool fourAllowed) = 0;
    // The field's cell was sent (the field is no longer "changed").
    virtual void FieldSent(RepeaterField field) = 0;
};

// What a write sequence could not get confirmed by the device (after the
// link's own retries and read-back).
struct TRepeaterWriteResult {
    std::vector<RepeaterField> fields; // in the order they were written
    bool debugBeep = false;
    bool fixedCells = false; // the cleared block, 0042h, and 0043h in the single-cell layout
    [[nodiscard]] bool AllConfirmed() const { return fields.empty() && !debugBeep && !fixedCells; }
};

// The repeater's cells on the device link, read and written in the page's
// order. The port must be open; the type check is the caller's.
class TRepeaterDevice {
public:
    explicit TRepeaterDevice(TMailControl& link) : m_link(link) {}

    [[nodiscard]] bool ZeroBlindSlot();
    [[nodiscard]] bool AltSyncSupported() { return ReadAltSync().value_or(false); }
    // Empty when the cell did not answer: unknown is not "no".
    [[nodiscard]] std::optional<bool> ReadAltSync();
    [[nodiscard]] std::optional<bool> LastZeroBlindSlot() const { return m_lastZeroBlindSlot; }
    // The cells (first address of each write) the device did not confirm, in write order.
    [[nodiscard]] const std::vector<std::uint16_t>& UnconfirmedCells() const { return m_unconfirmed; }
    // Five attempts; EAssertionFailed when all fail.
    [[nodiscard]] std::uint8_t ReadAltBase();
    [[nodiscard]] std::uint8_t ReadAltRepeater();
    void WriteAltBase(int value);
    void WriteAltRepeater(int value);
    bool WriteCellsHex(std::uint16_t address, const QString& hexText, std::uint8_t count);
    // One cell as a byte; ENumberConvertingError when it did not answer.
    [[nodiscard]] std::uint8_t ReadByteCell(std::uint16_t address);

    void ReadMultiCell(IRepeaterView& view);
    void ReadSingleCell(IRepeaterView& view);
    // The input must have passed TRepeaterRules::Validate for the layout. A
    // field is reported sent only when its cells were confirmed.
    TRepeaterWriteResult WriteMultiCell(const TRepeaterInput& input, IRepeaterView& view);
    TRepeaterWriteResult WriteSingleCell(const TRepeaterInput& input, IRepeaterView& view);

    // Pause between attempts of the one-byte alternative and zero-blind-slot cells.
    void SetRetryPause(int ms) { m_retryPauseMs = ms; }

private:
    [[nodiscard]] QString ReadText(std::uint16_t address, std::uint8_t count);
    [[nodiscard]] std::uint8_t ReadAltCell(std::uint16_t address, const char* function);
    void WriteAltCell(std::uint16_t address, int value, const char* function);
    void ReadBeepAndAlternatives(IRepeaterView& view);
    void WriteAlternatives(const TRepeaterInput& input, IRepeaterView& view, TRepeaterWriteResult& result);
    bool WriteByte(std::uint16_t address, std::uint8_t value);
    bool ClearBlock();

    TMailControl& m_link;
    int m_retryPauseMs = 800;
    std::optional<bool> m_lastZeroBlindSlot;
    std::vector<std::uint16_t> m_unconfirmed;
};
