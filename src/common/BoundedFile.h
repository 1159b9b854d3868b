#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

// The kinds of file the programs read, each with the most it may hold.
enum class TFileKind {
    Settings,        // INI files: Tunebench.ini, config.ini, <program>.ini, the settings store
    Language,        // *.lng
    Menu,            // menu files and backups
    FlashConfig,     // CFG/*.cfg
    HexImage,        // Intel HEX software files
    Journal,         // the journal of writes, printed whole
    Picture,         // logo.bmp, user.ico
    Help,            // help files copied at installation
    LockFile,        // a serial device's lock file
    DeviceAttribute, // a serial device's attribute in sysfs (latency_timer)
    DeviceImage,     // the simulator's EEPROM and flash images
};

[[nodiscard]] qint64 FileSizeLimit(TFileKind kind);

// A file that is read only when it is a regular file within its kind's limit.
// A FIFO, a device or a folder is refused at once, without being opened (so
// without waiting for a writer or touching a device), and so is a file beyond
// the limit, before any of it is read.
class TBoundedFile {
public:
    TBoundedFile(QString path, TFileKind kind);

    bool Open();
    // For a reader that reads only a bounded part (the end of the journal):
    // any size, still only a regular file.
    bool OpenAnySize();
    // The whole file, in blocks. False also when it grew beyond the limit
    // while being read, or when a stop was requested (StopRequest.h).
    bool ReadAll(QByteArray& bytes);

    [[nodiscard]] QFile& File() { return m_file; }
    [[nodiscard]] const QString& Path() const { return m_path; }
    // Size when opened.
    [[nodiscard]] qint64 Size() const { return m_size; }
    // The file is not there (callers that take that for an empty file).
    [[nodiscard]] bool Missing() const { return m_missing; }
    [[nodiscard]] bool Stopped() const { return m_stopped; }
    // Why it was refused or failed: the system's reason, "not a regular file",
    // "larger than 16 MiB, too large for a menu file", "stopped".
    [[nodiscard]] const QString& Reason() const { return m_reason; }
    // Cannot read "<path>": <reason>
    [[nodiscard]] QString ErrorString() const;

private:
    bool OpenChecked(bool checkSize);
    bool Fail(const QString& reason);
    bool TooLarge();

    QString m_path;
    TFileKind m_kind;
    QFile m_file;
    qint64 m_size = 0;
    bool m_missing = false;
    bool m_stopped = false;
    QString m_reason;
};

// The whole of a file of that kind; false with ErrorString() in *error.
[[nodiscard]] bool ReadBoundedFile(const QString& path, TFileKind kind, QByteArray& bytes, QString* error = nullptr);
