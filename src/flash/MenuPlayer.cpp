#include "MenuPlayer.h"

#include "DeviceIdentity.h"
#include "SndMail.h"

TMenuPlayResult TMenuPlayer::Play(const TMenuLines& lines)
{
    TMenuPlayResult result;
    result.check = TMenuFile::Check(lines);
    if (!result.check.Ok()) {
        result.end = TMenuPlayResult::TEnd::Refused;
        return result;
    }
    if (result.check.writes == 0) {
        result.end = TMenuPlayResult::TEnd::Empty;
        return result;
    }
    const int total = lines.LineCount();
    const auto done = [&](int number) {
        result.done = number;
        if (OnLineDone)
            OnLineDone(result.done, TMenuFile::GaugePercent(result.done, total));
    };
    for (int i = 0; i < lines.size(); ++i) {
        // The empty lines before this one are done with nothing to do.
        if (lines.Number(i) - 1 > result.done)
            done(lines.Number(i) - 1);
        const TMenuLine line = TMenuFile::ReadLine(lines[i]);
        if (!line.skipped) {
            const std::vector<TMenuWrite> writes =
                LeaveOut ? WritesOutside(line.write, *LeaveOut) : std::vector<TMenuWrite>{line.write};
            for (const TMenuWrite& w : writes) {
                const bool confirmed = m_link.WriteEepromText(w.addressLow, w.addressHigh, w.count, w.dataText);
                if (m_link.StopRequested) {
                    result.end = TMenuPlayResult::TEnd::Stopped;
                    return result;
                }
                if (!confirmed) {
                    result.end = TMenuPlayResult::TEnd::WriteFailed;
                    return result;
                }
            }
            result.written += writes.empty() ? 0 : 1;
        }
        done(lines.Number(i));
    }
    if (result.done < total)
        done(total);
    return result;
}
