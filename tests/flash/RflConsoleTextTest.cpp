// The console text rules that turn the RFL library's pieces into log lines,
// and the progress line rule of the SC14428 log.
#include "RflConsoleText.h"
#include "FlashLog.h"
#include "FlashTargets.h"

#include <gmock/gmock.h>

namespace {

using testing::ElementsAre;

QStringList Lines(const QList<QByteArray>& pieces, QStringList start = {})
{
    TFlashLogList log;
    for (const QString& line : start)
        log.AddLine(line);
    TRflConsoleText console(log);
    for (const QByteArray& piece : pieces)
        console.TextOut(piece);
    return log.Lines();
}

TEST(RflConsoleText, PiecesToLines)
{
    EXPECT_THAT(Lines({"Programming .", "  12 %", " 100 %", "\r\nChecksum OK\n"}, {"Erased"}),
                ElementsAre(" Programming.......:  100 %", "Checksum OK"));
    EXPECT_THAT(Lines({"abc\ndef"}), ElementsAre("abc"));
    EXPECT_THAT(Lines({"\ndef"}), ElementsAre("def"));
    EXPECT_THAT(Lines({"\xDA\xC4\xC4\xC4\xBF\n", "\xB3 box \xB3\n"}), ElementsAre());
    EXPECT_THAT(Lines({"Erasing ", ".", ".", "\nErased"}), ElementsAre("Erasing ..", "Erased"));
    EXPECT_THAT(Lines({""}), ElementsAre()); // an empty piece carries nothing
    // Two carriage returns remember the last line; the texts after them rewrite it.
    EXPECT_THAT(Lines({"first\n", "Searching\n", "\r", "\r", "Searching 3 s", "\r", "\r", "Searching 2 s", "Found\n"}),
                ElementsAre("first", "Searching 2 s", "Found"));
}

TEST(RflConsoleText, ErasedPausesTheLog)
{
    TFlashLogList log;
    TRflConsoleText console(log);
    int pauses = 0;
    console.PauseAfterErased = [&] { ++pauses; };
    console.TextOut("\nErased");
    EXPECT_EQ(pauses, 1);
    EXPECT_THAT(log.Lines(), ElementsAre("Erased"));
}

TEST(LoaderLog, ProgressLineReplacesTheProgressLineBefore)
{
    TFlashLogList log;
    for (const char* line : {"[00] PROGRAM_PROGRESS_IND [Addr=00000000]", "[00] PROGRAM_PROGRESS_IND [Addr=00000400]",
                             "[00] PROGRAMMING_SUCCESS_IND", "[00] PROGRAM_PROGRESS_IND [Addr=00000800]"})
        AddLoaderLogLine(log, QString::fromLatin1(line));
    EXPECT_THAT(log.Lines(), ElementsAre("[00] PROGRAM_PROGRESS_IND [Addr=00000400]", "[00] PROGRAMMING_SUCCESS_IND",
                                         "[00] PROGRAM_PROGRESS_IND [Addr=00000800]"));
}

TEST(FlashTargets, RflArgumentsOfTarget1)
{
    EXPECT_THAT(RflArguments(QStringLiteral("/opt/tb/"), *FlashTarget(1), QStringLiteral("/tmp/a.hex"), 3),
                ElementsAre("tyt ", "-@/opt/tb/CFG/402.cfg", "/tmp/a.hex", "-c=3"));
    EXPECT_EQ(FlashTarget(9), nullptr);
}

} // namespace
