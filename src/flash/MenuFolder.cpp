#include "MenuFolder.h"

#include "ProfileFile.h"

#include <QFileInfo>

namespace {
const QString kSection = QStringLiteral("User");
const QString kKey = QStringLiteral("MenuFolder");
} // namespace

QString TMenuFolder::StartFolder(const QString& fallback) const
{
    // A folder since removed, or one the INI's code page could not hold, is no start.
    const QString folder = TProfileFile(m_settingsFile).ReadString(kSection, kKey);
    return !folder.isEmpty() && QFileInfo(folder).isDir() ? folder : fallback;
}

void TMenuFolder::Remember(const QString& chosenFile)
{
    // Not being able to write the INI only costs the next start folder.
    TProfileFile(m_settingsFile).WriteString(kSection, kKey, QFileInfo(chosenFile).absolutePath());
}
