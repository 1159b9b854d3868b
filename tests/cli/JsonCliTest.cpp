// tunebench-cli --json: every command's standard output is JSON Lines, and a
// failure ends it with the error object; the real program against the simulator.
#include "support/CliProcess.h"
#include "support/SimHarness.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <map>
#include <optional>

namespace {

using tbtest::CliResult;
using tbtest::RunCli;
using tbtest::SimHarness;

// Every line of standard output as an object with a type; a failure when any is not.
std::vector<QJsonObject> Objects(const CliResult& r)
{
    std::vector<QJsonObject> objects;
    for (const QString& line : r.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        QJsonParseError error;
        const QJsonDocument document = QJsonDocument::fromJson(line.toUtf8(), &error);
        EXPECT_TRUE(document.isObject()) << "not a JSON object: " << line.toStdString();
        EXPECT_TRUE(document.object().value(QStringLiteral("type")).isString()) << line.toStdString();
        objects.push_back(document.object());
    }
    return objects;
}

std::optional<QJsonObject> FirstOfType(const std::vector<QJsonObject>& objects, const QString& type)
{
    for (const QJsonObject& object : objects)
        if (object.value(QStringLiteral("type")).toString() == type)
            return object;
    return std::nullopt;
}

QString WriteFile(const QTemporaryDir& dir, const QString& name, const QByteArray& text)
{
    const QString path = dir.filePath(name);
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text);
    return path;
}

struct JsonCase {
    QStringList args; // FILE, BACKUP, HEX and LNG stand for files of the test
    QString type;     // an object of this type is printed
    QString key;      // with this field
    QJsonValue value; // holding this
};

struct DeviceRun {
    QStringList simArgs; // empty: no device
    QStringList globals; // before the command
    std::vector<JsonCase> cases;
};

TEST(JsonCli, EveryCommandPrintsJsonLines)
{
    QTemporaryDir dir;
    const std::map<QString, QString> files = {
        {"FILE", WriteFile(dir, "settings.mnu", "REM two blanks\n02 9E 01 20 20\n")},
        {"BACKUP", dir.filePath("backup.mnu")},
        {"HEX", WriteFile(dir, "software.hex", ":0400000001020304F2\n:00000001FF\n")},
        {"LNG", WriteFile(dir, "German.lng", "[Form1]\r\nLabel50.Caption=Fertig\r\n")},
    };
    const std::vector<DeviceRun> runs = {
        {{"--profile", "handset"},
         {},
         {
             {{"probe"}, "probe", "attempt", 1},
             {{"detect"}, "detect", "identity", "00077 0332340 2"},
             {{"read", "0040", "3"}, "read", "bytes", "00 04 D5"},
             {{"write", "0100", "1", "2", "3", "4", "5", "6", "7", "8", "9"}, "progress", "percent", 88},
             {{"write", "0100", "01", "02", "03"}, "write", "confirmed", 3},
             {{"mail", "02 3C 08 00 03 00 01"}, "mail", "answer", "01 02 03"},
             {{"handset", "text", "write", "HELLO"}, "text-block", "address", "0196"},
             {{"handset", "text", "read"}, "text", "lines", QJsonArray{"HELLO"}},
             {{"handset", "transducer", "new"}, "transducer", "written", false},
             {{"handset", "gain", "write", "10", "5"}, "gain", "byte", "A5"},
             {{"handset", "gain", "read"}, "gain", "loudspeaker", 10},
             {{"handset", "ipei"}, "ipei", "ipei", "00077 0332340 2"},
             {{"menu", "play", "FILE"}, "menu-play", "written", 1},
             {{"menu", "verify", "FILE"}, "menu-verify", "differences", 0},
             {{"backup", "BACKUP", "--range", "0040-0044"}, "backup", "lines", 1},
             {{"restore", "BACKUP"}, "restore", "written", 1},
         }},
        {{"--profile", "handset-8240"},
         {"--baud", "115200"},
         {
             {{"handset", "handsfree", "write", "6", "12"}, "handsfree-gain", "byte", "6C"},
             {{"handset", "handsfree", "read"}, "handsfree-gain", "microphone", 12},
             {{"handset", "handsfree", "reset"}, "handsfree-gain", "byte", "6C"},
         }},
        {{"--profile", "repeater-multi"},
         {},
         {
             {{"repeater", "write", "--code", "10000000040", "--base", "5", "--repeater", "3", "--busy", "2"},
              "repeater-write",
              "code",
              "10000000040"},
             {{"repeater", "read"}, "repeater", "base", 5},
             {{"default", "repeater", "--target", "1"}, "default", "device", "repeater"},
         }},
        {{"--profile", "boot-sc14428", "--boot-window", "3600000"},
         {},
         {
             {{"flash", "--target", "6", "--yes", "HEX"}, "flash", "outcome", "confirmed"},
         }},
        {{},
         {},
         {
             {{"ports"}, "com-port", "com", 1},
             {{"ports", "map", "9", "/dev/tunebench-json"}, "port-map", "path", "/dev/tunebench-json"},
             {{"ports", "unmap", "9"}, "port-map", "com", 9},
             {{"ipei", "check", "01914", "0000291"}, "ipei-check", "check", "8"},
             {{"menu", "check", "FILE"}, "menu-check", "writes", 1},
             {{"flash", "targets"}, "flash-target", "loader", "rfl"},
             {{"lng", "check", "LNG"}, "lng-window", "window", "Form1"},
             {{"journal"}, "journal-entry", "result", "confirmed"},
         }},
    };
    for (const DeviceRun& run : runs) {
        std::unique_ptr<SimHarness> sim;
        QStringList globals = QStringList{QStringLiteral("--json")} + run.globals;
        if (!run.simArgs.isEmpty()) {
            sim = std::make_unique<SimHarness>(run.simArgs);
            ASSERT_TRUE(sim->start()) << sim->errorString().toStdString();
            globals << QStringLiteral("--port") << sim->portPath();
        }
        for (const JsonCase& c : run.cases) {
            QStringList args;
            for (const QString& arg : c.args)
                args << (files.count(arg) ? files.at(arg) : arg);
            const std::string name = c.args.join(' ').toStdString();
            const CliResult r = RunCli(globals + args);
            EXPECT_EQ(r.exitCode, 0) << name << "\n" << r.err.toStdString();
            const std::vector<QJsonObject> objects = Objects(r);
            const std::optional<QJsonObject> found = FirstOfType(objects, c.type);
            ASSERT_TRUE(found) << name << ": no " << c.type.toStdString() << " in\n" << r.out.toStdString();
            EXPECT_EQ(found->value(c.key), c.value) << name << ": " << r.out.toStdString();
        }
    }
}

// A failure prints the error object last, with the exit code the process has.
void ExpectError(const CliResult& r, int exit, const QString& message)
{
    EXPECT_EQ(r.exitCode, exit) << r.err.toStdString();
    const std::vector<QJsonObject> objects = Objects(r);
    ASSERT_FALSE(objects.empty()) << r.err.toStdString();
    const QJsonObject& last = objects.back();
    EXPECT_EQ(last.value(QStringLiteral("type")).toString(), QStringLiteral("error")) << r.out.toStdString();
    EXPECT_EQ(last.value(QStringLiteral("exit")).toInt(-1), exit);
    EXPECT_TRUE(last.value(QStringLiteral("message")).toString().contains(message)) << r.out.toStdString();
}

TEST(JsonCli, NoAnswerIsAnErrorObject)
{
    SimHarness sim({QStringLiteral("--profile"), QStringLiteral("handset")});
    ASSERT_TRUE(sim.start()) << sim.errorString().toStdString();
    // The handset answers at 9600 baud only; a read that got nothing shows no cells.
    const CliResult r = RunCli({"--json", "--port", sim.portPath(), "--baud", "115200", "read", "0040"});
    ExpectError(r, 3, QStringLiteral("no answer from ") + sim.portPath());
    EXPECT_EQ(Objects(r).size(), 1u) << r.out.toStdString();
}

TEST(JsonCli, WrongDeviceIsAnErrorObject)
{
    SimHarness sim({QStringLiteral("--profile"), QStringLiteral("repeater-multi")});
    ASSERT_TRUE(sim.start()) << sim.errorString().toStdString();
    ExpectError(RunCli({"--json", "--port", sim.portPath(), "handset", "gain", "write", "3", "3"}), 5,
                QStringLiteral("'handset gain write' needs a handset"));
}

TEST(JsonCli, BadFileIsAnErrorObject)
{
    QTemporaryDir dir;
    const QString menu = WriteFile(dir, "bad.mnu", "02 9E 01 20 20\n02 9E\n");
    ExpectError(RunCli({"--json", "menu", "check", menu}), 1, QStringLiteral("line 2"));
}

} // namespace
