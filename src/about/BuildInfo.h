#pragma once

#include <QString>

// What this build of the program is: the one place every "--version", the
// Welcome page and the About box take it from. Written at build time.
struct TBuildInfo {
    const char* version;  // the project version, e.g. "1.0.0"
    const char* describe; // `git describe --tags --always --dirty`; empty outside a repository
    long long buildTime;  // seconds since 1970 UTC (SOURCE_DATE_EPOCH when set)
    const char* productName;
    const char* companyName;
    const char* copyright;
    const char* homePage;
    const char* email;
};

[[nodiscard]] const TBuildInfo& BuildInfo();

// The version with the repository state when it adds something:
// "1.0.0" or "1.0.0 (v1.0.0-12-gabc1234)".
[[nodiscard]] QString FullVersion();
// "<program> <full version>", the line of every "--version".
[[nodiscard]] QString VersionLine(const QString& program);
