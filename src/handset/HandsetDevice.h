#pragma once

#include "DeviceGuard.h"
#include "StartupText.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

class TMailControl;

enum class TTransducerOutcome { NoAnswer, AlreadySet, Written, WriteFailed };
enum class THandsfreeModel { Qualifies, OtherModel, NoAnswer };

// The writes of the handset pages and of tunebench-cli's handset commands.
enum class THandsetWrite { Text, Transducer, Gain, HandsfreeGain };
// What each of them demands of the device before anything goes out, the same
// in the window and on the command line: a handset, and for some an answer
// to the probe first. force: the technician takes the kind on trust.
[[nodiscard]] TDeviceDemand HandsetWriteDemand(THandsetWrite write, bool force = false);

// The handset's cells on the device link, read and written as the handset
// pages and tunebench-cli do it. The port must be open. Free of widgets.
//
// Reads are checked here: an answer with a wrong checksum or with fewer data
// bytes than asked is no answer, so a corrupted byte never becomes a value.
class THandsetDevice {
public:
    explicit THandsetDevice(TMailControl& link) : m_link(link) {}

    static constexpr int kTransducerReadTries = 3;
    static constexpr int kTransducerReadPauseMs = 700;
    static constexpr int kGainReadTries = 3;

    // hexText: pairs of digits; a text of one or two characters goes as it is.
    bool WriteCellsHex(std::uint16_t address, const QString& hexText, std::uint8_t count);
    // count cells, or nothing when no valid answer came.
    [[nodiscard]] std::optional<QByteArray> ReadCells(std::uint16_t address, std::uint8_t count);

    // Writes in order and stops at the first block that is not confirmed;
    // returns the number of blocks confirmed. onConfirmed sees each of them.
    int WriteTextBlocks(const std::vector<TTextBlock>& blocks,
                        const std::function<void(const TTextBlock&)>& onConfirmed = {});
    [[nodiscard]] std::optional<QByteArray> ReadStartupText(bool threeLine);
    // Whether the layout fits this handset, judged from its own cells (the
    // three-line extent, then the model marker); one line reads nothing.
    [[nodiscard]] TTextLayoutDecision CheckTextLayout(bool threeLine);

    // Reads 0029h (3 tries, 700 ms after each) and writes value only when it differs.
    [[nodiscard]] TTransducerOutcome SetTransducer(std::uint8_t value);

    // 0029h, up to 3 reads in a row.
    [[nodiscard]] std::optional<std::uint8_t> ReadGain();
    bool WriteGain(std::uint8_t value);

    // The marker at 001Dh names the models with handsfree gains; read as the
    // gain is (up to 3 reads in a row), so a lost answer is no answer, not another model.
    [[nodiscard]] THandsfreeModel CheckHandsfreeModel();
    [[nodiscard]] std::optional<std::uint8_t> ReadHandsfreeGain();
    bool WriteHandsfreeGain(std::uint8_t value);

    // The 5 identity bytes as 10 hexadecimal digits; empty when not read.
    [[nodiscard]] QString ReadIdentityDigits();

private:
    [[nodiscard]] std::optional<std::uint8_t> ReadByte(std::uint16_t address);
    [[nodiscard]] std::optional<std::uint8_t> ReadByteTries(std::uint16_t address, int tries);

    TMailControl& m_link;
};
