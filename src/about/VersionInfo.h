#pragma once

#include <QString>

// The version strings of the program, under the keys of a Windows version
// resource. This build has no such resource: the values come from its own
// metadata (BuildInfo).
struct TVersionInfo {
    QString CompanyName;
    QString FileDescription;
    QString FileVersion;
    QString InternalName;
    QString LegalCopyright;
    QString LegalTrademarks;
    QString OriginalFilename;
    QString ProductName;
    QString ProductVersion;
    QString Comments;
    QString EMail; // key "E-mail"
    QString HomePage;
    QString PartNumber; // key "Part Number"
};

// Fills the record from the build's metadata; true, as every build has it.
bool ReadVersionInfo(TVersionInfo& info);
