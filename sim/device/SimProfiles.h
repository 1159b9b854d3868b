#pragma once

#include "SimOptions.h"

#include <QByteArray>
#include <QList>
#include <QString>

namespace tbsim {

constexpr int kEepromSize = 65536;

struct ProfileInfo {
    QString name;
    int defaultBaud = 9600;
    QString description;
};

[[nodiscard]] const QList<ProfileInfo>& profiles();
[[nodiscard]] const ProfileInfo* findProfile(const QString& name);

// The EEPROM image of a profile (kEepromSize bytes, unused cells FFh).
[[nodiscard]] QByteArray profileImage(const QString& name);

// Applies --type, --busy-hint, --alt-sync and then --set to an image; options left unset
// keep the image's cells.
void applyCellOptions(QByteArray& image, const SimOptions& options);

} // namespace tbsim
