/* libfloader: downloads an Intel HEX image into an SC14428 boot target over a
 * serial port. C interface; the download runs on a thread of the library and
 * reports every step through the registered indication handler. */
#ifndef FLOADER_H
#define FLOADER_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(_WIN32)
#define FLOADER_API __declspec(dllexport)
#else
#define FLOADER_API __attribute__((visibility("default")))
#endif

/* Result codes of FlashLoader. */
enum {
    NO_ERROR_FLASH_LOADER = 0,
    NO_ACCESS_COMPORT_FLASH_LOADER = 1,
    FILEACCESS_ERROR_FLASH_LOADER = 2,
    NO_CALLBACK_FUNC_DEFINED_FLASH_LOADER = 3,
    UNKNOWN_TARGET_TYPE_FLASH_LOADER = 4,
    UNKNOWN_BUSMODE_TYPE_FLASH_LOADER = 5,
    UNABLE_TO_CREATE_THREAD_FLASH_LOADER = 6
};

/* Indication types (FLoaderIndication.Type). */
enum {
    START_PROGRAM_IND = 1,
    LOADER_ID_UNKNOWN_IND = 2,
    COM_PORT_ACCESS_FAIL_IND = 3,
    READY_TO_DOWNLOAD_IND = 4,
    START_DOWNLOADER_IND = 5,
    DOWNLOAD_SUCCESS_IND = 6,
    DOWNLOAD_FAILED_IND = 7,
    HEX_FILE_ERROR_IND = 8,
    PROGRAM_SIZE_IND = 9,
    PROGRAM_OFFSET_IND = 10,
    COMMUNICATION_ERROR_IND = 11,
    PROGRAM_PROGRESS_IND = 12,
    FLASHTYPE_IND = 13,
    CHIP_ERASE_START_IND = 14,
    CHIP_ERASE_FINISHED_IND = 15,
    PROGRAMMING_SUCCESS_IND = 16,
    CRC_OK_IND = 17,
    CRC_ERROR_IND = 18,
    RESET_TARGET_IND = 19,
    MAIL_ERROR_IND = 20,
    STOP_PROGRAM_IND = 21,
    TEXT_INFO_IND = 22,
    COMPORT_CTRL_IND = 23,
    COM_PORT_SEARCHING_IND = 24,
    COM_PORT_SEARCHING_TIMEOUT_IND = 25,
    COM_PORT_FOUND_IND = 26
};

/* COMPORT_CTRL_IND actions (Word1). */
enum {
    FLOADER_DTR_SET = 0,
    FLOADER_DTR_CLR = 1,
    FLOADER_RTS_SET = 2,
    FLOADER_RTS_CLR = 3,
    FLOADER_BREAK_SET = 4,
    FLOADER_BREAK_CLR = 5
};

/* The record is valid only during the handler call. Little-endian layout:
 *   0 Type, 2 LoaderId, 4 Value | Word1 (4) + Word2 (6) | Text, 8 Value2.
 * Text runs from offset 4 to the end of the record and is zero-terminated
 * within it. */
#define FLOADER_INDICATION_SIZE 132
typedef struct FLoaderIndication {
    uint16_t Type;
    uint16_t LoaderId;
    union {
        struct {
            uint32_t Value;
            uint32_t Value2;
        } Values;
        struct {
            uint16_t Word1;
            uint16_t Word2;
        } Words;
        char Text[FLOADER_INDICATION_SIZE - 4];
    } Data;
} FLoaderIndication;

typedef void (*FLoaderIndicationHandler)(const FLoaderIndication* indication);

FLOADER_API void SetupCallbackFunction(FLoaderIndicationHandler handler);
FLOADER_API FLoaderIndicationHandler ReadCallbackFunction(void);
/* Major version in the high byte, minor in the low byte. */
FLOADER_API uint32_t FLoaderDLLVersion(void);
/* Starts a download: COM port 1..9, target type 1, baud rate, bus mode 1,
 * Intel HEX file, identifier carried by every indication. The port is taken
 * (exclusively) and the file read before this returns; the download itself
 * runs on, ending with STOP_PROGRAM_IND. */
FLOADER_API uint16_t FlashLoader(uint32_t comPort, uint32_t targetType, uint32_t baudRate, uint32_t busMode,
                                 const char* hexFile, uint16_t loaderId);
/* Asks the running download of loaderId to end; it reports DOWNLOAD_FAILED_IND
 * and STOP_PROGRAM_IND as it stops. Returns 1 if such a download was running.
 * An addition of this library: callers that do not know it never stop a download. */
FLOADER_API int FlashLoaderStop(uint16_t loaderId);

#ifdef __cplusplus
}
#endif

#endif
