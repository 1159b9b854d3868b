#pragma once

#include "TrafficEntry.h"

#include <QString>
#include <span>
#include <vector>

// How many entries to drop from the top after an addition, for `count`
// entries and a limit of `maxLines` (0 = no limit). Small limits are exact;
// from 125 upwards the list trims from M + 25 down to M - 25, so that trimming
// runs about once every 50 additions.
[[nodiscard]] int EntriesToTrim(int count, int maxLines);

// Merges selected entries into the first one: texts appended, counts summed
// as "21 (12+6+3)" when all are numbers, else joined with "+" without a sum.
[[nodiscard]] TTrafficEntry ConcatenateEntries(std::span<const TTrafficEntry> selected);

// Line texts, each followed by CR LF (the saved file and a multi-line copy).
[[nodiscard]] QString LinesText(std::span<const TTrafficEntry> entries, const TColumnCaptions& captions);

// "Text files (*.txt)|*.TXT" (description|patterns pairs) to Qt's
// "Text files (*.txt *.TXT)"; both spellings listed, as Linux names are case-sensitive.
[[nodiscard]] QString DialogFilterToQt(const QString& filter);
// Adds ".ext" when the file name has no extension of its own.
[[nodiscard]] QString WithDefaultExtension(const QString& fileName, const QString& ext);
