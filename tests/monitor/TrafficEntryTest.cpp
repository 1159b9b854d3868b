#include "TrafficEntry.h"
#include "MonitorRules.h"
#include "TraceMonitor.h"

#include <QBuffer>
#include <gtest/gtest.h>

namespace {

TTrafficEntry Block(const QString& count, const QString& hex, const QString& ascii)
{
    return TTrafficEntry{
        EntryKind::Received, QStringLiteral("RX"), QStringLiteral("10:00:00:000001"), count, hex, ascii};
}

} // namespace

TEST(TrafficEntry, ReceivedBlockShowsCountHexWithTrailingBlankAndCp1252Ascii)
{
    TTrafficEntryBuilder builder;
    builder.SetClock([] { return QStringLiteral("14:03:07:004512"); });
    const TTrafficEntry e = builder.FromTraffic(TrafficDirection::Received, QByteArray::fromHex("4D02013D5A97"));
    EXPECT_EQ(e.kind, EntryKind::Received);
    EXPECT_EQ(e.info, QStringLiteral("RX"));
    EXPECT_EQ(e.time, QStringLiteral("14:03:07:004512"));
    EXPECT_EQ(e.count, QStringLiteral("6"));
    EXPECT_EQ(e.hexComment, QStringLiteral("4D 02 01 3D 5A 97 "));
    EXPECT_EQ(e.ascii, QStringLiteral(" M..=Z\u2014"));
}

TEST(TrafficEntry, AsciiMapsControlsToDotsAndUpperHalfAsWindows1252)
{
    const struct {
        QByteArray bytes;
        QString ascii;
    } cases[] = {
        {QByteArray(), QStringLiteral(" ")},
        {QByteArray("\x00\x1f\x20\x7f", 4), QStringLiteral(" .. \u007f")},
        {QByteArray("\x80\x81\x9f\xa0\xe9\xff"), QStringLiteral(" \u20ac\u0081\u0178\u00a0\u00e9\u00ff")},
    };
    for (const auto& c : cases)
        EXPECT_EQ(AsciiBlockText(c.bytes), c.ascii) << c.bytes.toHex().constData();
    EXPECT_EQ(HexBlockText(QByteArray("\x00\xff\x0a", 3)), QStringLiteral("00 FF 0A "));
}

TEST(TrafficEntry, InfoLinesUseLabelOrCommentAsInfo)
{
    TTrafficEntryBuilder builder;
    builder.SetLabels({QStringLiteral("KZ"), QStringLiteral("SE"), QStringLiteral("EM")});
    const TTrafficEntry ct = builder.FromInfo(InfoKind::PortState, QStringLiteral("COM1 open at 9600 baud"), {});
    EXPECT_EQ(ct.kind, EntryKind::PortState);
    EXPECT_EQ(ct.info, QStringLiteral("KZ"));
    EXPECT_TRUE(ct.count.isEmpty() && ct.ascii.isEmpty());
    const TTrafficEntry crc = builder.FromInfo(InfoKind::Comment, QStringLiteral("Rx CRC OK"), QStringLiteral("CRC"));
    EXPECT_EQ(crc.info, QStringLiteral("CRC"));
    EXPECT_EQ(crc.hexComment, QStringLiteral("Rx CRC OK"));
    EXPECT_EQ(builder.FromTraffic(TrafficDirection::Sent, "A").info, QStringLiteral("SE"));
}

TEST(TrafficEntry, LineTextHasPortStateFormAndFullFormWithGivenCaptions)
{
    const TColumnCaptions captions{QStringLiteral("I"), QStringLiteral("Zeit"), QStringLiteral("Anzahl"),
                                   QStringLiteral("Hex"), QStringLiteral("A")};
    const TTrafficEntry ct{EntryKind::PortState,
                           QStringLiteral("CT"),
                           QStringLiteral("09:00:01:000002"),
                           {},
                           QStringLiteral("COM1 Closed"),
                           {}};
    EXPECT_EQ(LineText(ct, captions), QStringLiteral("CT  Zeit: 09:00:01:000002 => COM1 Closed"));
    EXPECT_EQ(LineText(Block(QStringLiteral("2"), QStringLiteral("4D 02 "), QStringLiteral(" M.")), captions),
              QStringLiteral("RX  Zeit: 10:00:00:000001 Anzahl: 2 => Hex: 4D 02    => A:  M."));
    const TTrafficEntry mail{
        EntryKind::Comment, QStringLiteral("MAIL"), QStringLiteral("t"), {}, QStringLiteral("5A"), {}};
    EXPECT_EQ(LineText(mail, TColumnCaptions{}),
              QStringLiteral("MAIL  Time: t Count:  => Hex / Comment: 5A   => Ascii: "));
}

TEST(TrafficEntry, HintCutsLongTextsIntoPiecesOf96)
{
    const QString hex = HexBlockText(QByteArray(40, '\x11')); // 120 characters
    const QString hint = HintText(Block(QStringLiteral("40"), hex, QStringLiteral(" AB")), TColumnCaptions{});
    const QString expected = QStringLiteral("* Info: RX\r* Time: 10:00:00:000001\r* Count: 40\r* Hex / Comment: ") +
                             hex.left(96) + QStringLiteral("\r") + hex.mid(96) + QStringLiteral("\r* Ascii:  AB\r");
    EXPECT_EQ(hint, expected);
}

TEST(MonitorRules, LineLimitIsExactBelow125AndTrimsInSteps)
{
    const struct {
        int count, maxLines, trim;
    } cases[] = {
        {5026, 5000, 51}, {5025, 5000, 0}, {101, 100, 1},  {100, 100, 0}, {130, 124, 6},
        {151, 125, 51},   {150, 125, 0},   {100000, 0, 0}, {1, 1, 0},     {2, 1, 1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(EntriesToTrim(c.count, c.maxLines), c.trim) << c.count << " / " << c.maxLines;
}

TEST(MonitorRules, ConcatenateSumsNumericCountsOnceAndJoinsOtherwise)
{
    const std::vector<TTrafficEntry> three = {
        Block(QStringLiteral("12"), QStringLiteral("01 "), QStringLiteral(" a")),
        Block(QStringLiteral("6"), QStringLiteral("02 "), QStringLiteral(" b")),
        Block(QStringLiteral("3"), QStringLiteral("03 "), QStringLiteral(" c")),
    };
    const TTrafficEntry merged = ConcatenateEntries(three);
    EXPECT_EQ(merged.count, QStringLiteral("21 (12+6+3)"));
    EXPECT_EQ(merged.hexComment, QStringLiteral("01 02 03 "));
    EXPECT_EQ(merged.ascii, QStringLiteral(" a b c"));
    EXPECT_EQ(merged.time, three[0].time);

    const std::vector<TTrafficEntry> again = {merged,
                                              Block(QStringLiteral("5"), QStringLiteral("04 "), QStringLiteral(" d"))};
    const TTrafficEntry twice = ConcatenateEntries(again);
    EXPECT_EQ(twice.count, QStringLiteral("21 (12+6+3)+5"));
    EXPECT_EQ(twice.hexComment, QStringLiteral("01 02 03 04 "));
}

TEST(MonitorRules, SaveDialogFilterAndExtension)
{
    EXPECT_EQ(DialogFilterToQt(QStringLiteral("Text files (*.txt)|*.TXT")), QStringLiteral("Text files (*.txt *.TXT)"));
    EXPECT_EQ(DialogFilterToQt(QStringLiteral("All|*.*|Logs|*.log;*.LOG")),
              QStringLiteral("All (*.*);;Logs (*.log *.LOG)"));
    EXPECT_EQ(WithDefaultExtension(QStringLiteral("/tmp/trace"), QStringLiteral("txt")),
              QStringLiteral("/tmp/trace.txt"));
    EXPECT_EQ(WithDefaultExtension(QStringLiteral("/tmp/trace.log"), QStringLiteral("txt")),
              QStringLiteral("/tmp/trace.log"));
}

TEST(TraceMonitor, WritesOneLineTextPerEntry)
{
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    TTraceMonitor trace(&out);
    trace.Builder().SetClock([] { return QStringLiteral("08:00:00:000000"); });
    trace.AddInfoLine(InfoKind::PortState, QStringLiteral("COM2 open at 9600 baud"), {});
    trace.AddTraffic(TrafficDirection::Sent, QByteArray::fromHex("FFFF4D"));
    EXPECT_EQ(QString::fromUtf8(out.data()),
              QStringLiteral(
                  "CT  Time: 08:00:00:000000 => COM2 open at 9600 baud\r\n"
                  "TX  Time: 08:00:00:000000 Count: 3 => Hex / Comment: FF FF 4D    => Ascii:  \u00ff\u00ffM\r\n"));
}
