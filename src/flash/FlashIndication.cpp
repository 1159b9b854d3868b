#include "FlashIndication.h"

#include <algorithm>
#include <cstring>

namespace {

QString Hex(quint32 value, int digits)
{
    return QStringLiteral("%1").arg(value, digits, 16, QLatin1Char('0')).toUpper();
}

QString ControlAction(quint16 action)
{
    switch (action) {
    case FLOADER_DTR_SET:
        return QStringLiteral("[DTR_SET]");
    case FLOADER_DTR_CLR:
        return QStringLiteral("[DTR_CLR]");
    case FLOADER_RTS_SET:
        return QStringLiteral("[RTS_SET]");
    case FLOADER_RTS_CLR:
        return QStringLiteral("[RTS_CLR]");
    case FLOADER_BREAK_SET:
        return QStringLiteral("[BREAK_SET]");
    case FLOADER_BREAK_CLR:
        return QStringLiteral("[BREAK_CLR]");
    default:
        return QStringLiteral("[??????? [%1]]").arg(Hex(action, 4));
    }
}

} // namespace

TIndicationRecord TIndicationRecord::Copy(const FLoaderIndication& record)
{
    TIndicationRecord r;
    r.Type = record.Type;
    r.LoaderId = record.LoaderId;
    r.Value = record.Data.Values.Value;
    r.Value2 = record.Data.Values.Value2;
    r.Word1 = record.Data.Words.Word1;
    r.Word2 = record.Data.Words.Word2;
    if (record.Type == TEXT_INFO_IND) {
        const char* const text = record.Data.Text;
        r.Text = QByteArray(text, std::find(text, text + sizeof record.Data.Text, '\0') - text);
    }
    return r;
}

QString LoaderHead(quint16 loaderId) { return QStringLiteral("[%1]").arg(Hex(loaderId, 2)); }

QString FlashLoaderResultText(quint16 code)
{
    static const char* const texts[] = {" NO_ERROR_FLASH_LOADER",
                                        " NO_ACCESS_COMPORT_FLASH_LOADER",
                                        " FILEACCESS_ERROR_FLASH_LOADER",
                                        " NO_CALLBACK_FUNC_DEFINED_FLASH_LOADER",
                                        " UNKNOWN_TARGET_TYPE_FLASH_LOADER",
                                        " UNKNOWN_BUSMODE_TYPE_FLASH_LOADER",
                                        " UNABLE_TO_CREATE_THREAD_FLASH_LOADER"};
    return code < std::size(texts) ? QString::fromLatin1(texts[code]) : QString();
}

TIndicationLine DescribeIndication(const TIndicationRecord& r)
{
    TIndicationLine line;
    line.LoaderId = r.LoaderId;
    QString body;
    switch (r.Type) {
    case START_PROGRAM_IND:
        body = QStringLiteral("START_PROGRAM_IND");
        line.Busy = true;
        break;
    case LOADER_ID_UNKNOWN_IND:
        body = QStringLiteral("LOADER_ID_UNKNOWN_IND");
        break;
    case COM_PORT_ACCESS_FAIL_IND:
        body = QStringLiteral("COM_PORT_ACCESS_FAIL_IND");
        line.Error = true;
        break;
    case READY_TO_DOWNLOAD_IND:
        body = QStringLiteral("READY_TO_DOWNLOAD_IND");
        break;
    case START_DOWNLOADER_IND:
        body = QStringLiteral("START_DOWNLOADER_IND");
        break;
    case DOWNLOAD_SUCCESS_IND:
        body = QStringLiteral("DOWNLOAD_SUCCESS_IND");
        break;
    case DOWNLOAD_FAILED_IND:
        body = QStringLiteral("DOWNLOAD_FAILED_IND");
        line.Error = true;
        break;
    case HEX_FILE_ERROR_IND:
        body = QStringLiteral("HEX_FILE_ERROR_IND");
        line.Error = true;
        break;
    case PROGRAM_SIZE_IND:
        body = QStringLiteral("PROGRAM_SIZE_IND [Size=%1]").arg(Hex(r.Value, 8));
        break;
    case PROGRAM_OFFSET_IND:
        body = QStringLiteral("PROGRAM_OFFSET_IND [Offset=%1]").arg(Hex(r.Value, 8));
        break;
    case COMMUNICATION_ERROR_IND:
        body = QStringLiteral("COMMUNICATION_ERROR_IND");
        line.Error = true;
        break;
    case PROGRAM_PROGRESS_IND:
        body = QStringLiteral("PROGRAM_PROGRESS_IND [Addr=%1]").arg(Hex(r.Value, 8));
        break;
    case FLASHTYPE_IND:
        body = QStringLiteral("FLASHTYPE_IND [Manu.Code=%1][Device ID=%2]").arg(Hex(r.Word1, 4), Hex(r.Word2, 4));
        break;
    case CHIP_ERASE_START_IND:
        body = QStringLiteral("CHIP_ERASE_START_IND");
        break;
    case CHIP_ERASE_FINISHED_IND:
        body = QStringLiteral("CHIP_ERASE_FINISHED_IND");
        break;
    case PROGRAMMING_SUCCESS_IND:
        body = QStringLiteral("PROGRAMMING_SUCCESS_IND");
        break;
    case CRC_OK_IND:
        body = QStringLiteral("CRC_OK_IND [File=%1][Target=%2]").arg(Hex(r.Value, 8), Hex(r.Value2, 8));
        line.Success = true;
        break;
    case CRC_ERROR_IND:
        body = QStringLiteral("CRC_ERROR_IND [File=%1][Target=%2]\r#########    CRC32  ERROR   #########")
                   .arg(Hex(r.Value, 8), Hex(r.Value2, 8));
        break;
    case RESET_TARGET_IND:
        body = QStringLiteral("RESET_TARGET_IND");
        break;
    case MAIL_ERROR_IND:
        body = QStringLiteral("MAIL_ERROR_IND  ### MAIL ERROR[%1] ###").arg(Hex(r.Word1, 4));
        line.Error = true;
        break;
    case STOP_PROGRAM_IND:
        body = QStringLiteral("STOP_PROGRAM_IND [Time %1 msec] ").arg(qint32(r.Value));
        line.Busy = false;
        break;
    case TEXT_INFO_IND:
        body = QStringLiteral("TEXT_INFO_IND [%1]").arg(QString::fromLatin1(r.Text));
        break;
    case COMPORT_CTRL_IND:
        body = QStringLiteral("COMPORT_CTRL_IND ") + ControlAction(r.Word1);
        break;
    case COM_PORT_SEARCHING_IND:
        body = QStringLiteral("COM_PORT_SEARCHING_IND");
        break;
    case COM_PORT_SEARCHING_TIMEOUT_IND:
        body = QStringLiteral("COM_PORT_SEARCHING_TIMEOUT_IND");
        line.Error = true;
        break;
    case COM_PORT_FOUND_IND:
        body = QStringLiteral("COM_PORT_FOUND_IND");
        break;
    default:
        body = QStringLiteral("### UNKNOWN MAIL ### LoaderPrimitiveType = %1 Hex")
                   .arg(QString::number(r.Type & 0xFF, 16).toUpper());
        break;
    }
    line.Text = LoaderHead(r.LoaderId) + QLatin1Char(' ') + body;
    return line;
}
