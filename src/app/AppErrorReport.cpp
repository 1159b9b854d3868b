#include "AppErrorReport.h"

#include "DialogsTranslation.h"
#include "ProgramError.h"

#include <QtGlobal>

namespace {
constexpr int kMaxNestedReports = 8;
int g_openReports = 0;
} // namespace

QString ExceptionMessage(const std::exception_ptr& error)
{
    if (!error)
        return QString();
    try {
        std::rethrow_exception(error);
    }
    catch (const EProgramError& e) {
        return e.Message();
    }
    catch (const std::exception& e) {
        return QString::fromUtf8(e.what());
    }
    catch (...) {
        return QStringLiteral("Unknown exception");
    }
}

void ShowErrorReport(const QString& message)
{
    if (g_openReports >= kMaxNestedReports) {
        qCritical("Error report not shown (too many open): %s", qUtf8Printable(message));
        return;
    }
    ++g_openReports;
    struct TLeave {
        ~TLeave() { --g_openReports; }
    } leave;
    MessageDlg(message, mtError, mbOK);
}

void ReportCurrentException() noexcept
{
    QString message;
    try {
        message = ExceptionMessage(std::current_exception());
        ShowErrorReport(message);
    }
    catch (...) {
        qCritical("Error report failed: %s", qUtf8Printable(message));
    }
}
