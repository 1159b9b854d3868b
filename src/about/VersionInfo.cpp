#include "VersionInfo.h"

#include "BuildInfo.h"

bool ReadVersionInfo(TVersionInfo& info)
{
    const TBuildInfo& build = BuildInfo();
    info.CompanyName = QString::fromUtf8(build.companyName);
    info.FileDescription = QStringLiteral("Service tool for DECT handsets, repeaters and base stations");
    info.FileVersion = FullVersion();
    info.InternalName = QStringLiteral("tunebench");
    info.LegalCopyright = QString::fromUtf8(build.copyright);
    info.LegalTrademarks.clear();
    info.OriginalFilename = QStringLiteral("tunebench");
    info.ProductName = QString::fromUtf8(build.productName);
    info.ProductVersion = QString::fromUtf8(build.version);
    info.Comments = QStringLiteral("Configures handsets, repeaters and bases on a serial port");
    info.EMail = QString::fromUtf8(build.email);
    info.HomePage = QString::fromUtf8(build.homePage);
    info.PartNumber.clear();
    return true;
}
