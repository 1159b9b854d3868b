#include "SimCommandLine.h"

#include <QFile>
#include <QRegularExpression>
#include <gtest/gtest.h>

using tbsim::ParseResult;
using tbsim::SimOptionRow;
using tbsim::SimProgramOptions;

namespace {

ParseResult parse(QStringList args, SimProgramOptions* options, QString* message)
{
    args.prepend("tunebench-sim");
    return tbsim::parseSimArguments(args, options, message);
}

// Whether two option sets hold the same value in a row's field.
bool sameField(const SimOptionRow& row, SimProgramOptions a, SimProgramOptions b)
{
    return std::visit([&](auto field) { return field(a) == field(b); }, row.field);
}

// Arguments an option takes, with a check of the field they set.
struct Taken {
    QStringList args;
    std::function<void(SimProgramOptions&)> check;
};

// What each kind of option takes and refuses, from its row alone.
void valuesOf(const SimOptionRow& row, QList<Taken>* takes, QStringList* refuses)
{
    const QString name = QStringLiteral("--") + QLatin1String(row.name);
    using Ranges = QList<tbsim::SimRange>;
    using Presets = QList<QPair<int, QByteArray>>;
    const auto numbers = [&](auto field) {
        for (int n : {row.minimum, row.maximum})
            *takes << Taken{{name, QString::number(n)}, [=](SimProgramOptions& o) { EXPECT_EQ(field(o), n); }};
        *refuses << QString::number(row.minimum - 1) << QString::number(row.maximum + 1) << "x";
    };
    std::visit(
        [&](auto field) {
            using Field = std::remove_reference_t<decltype(field(std::declval<SimProgramOptions&>()))>;
            if constexpr (std::is_same_v<Field, bool>) {
                *takes << Taken{{name}, [=](SimProgramOptions& o) { EXPECT_TRUE(field(o)); }};
            }
            else if constexpr (std::is_same_v<Field, int> || std::is_same_v<Field, std::optional<int>>) {
                numbers(field);
            }
            else if constexpr (std::is_same_v<Field, std::optional<bool>>) {
                for (bool on : {true, false})
                    *takes << Taken{{name, on ? "on" : "off"}, [=](SimProgramOptions& o) { EXPECT_EQ(field(o), on); }};
                *refuses << "yes";
            }
            else if constexpr (std::is_same_v<Field, QString>) {
                const QString text = row.choices.isEmpty() ? QStringLiteral("/tmp/x y") : row.choices.last();
                *takes << Taken{{name, text}, [=](SimProgramOptions& o) { EXPECT_EQ(field(o), text); }};
                if (!row.choices.isEmpty())
                    *refuses << "toaster";
            }
            else if constexpr (std::is_same_v<Field, Ranges>) {
                *takes << Taken{{name, "0196-01A5", name, "0029"}, [=](SimProgramOptions& o) {
                                    EXPECT_EQ(field(o), (Ranges{{0x196, 0x1A5}, {0x29, 0x29}}));
                                }};
                *refuses << "01A5-0196"
                         << "10000"
                         << "x"
                         << "1-2-3";
            }
            else {
                static_assert(std::is_same_v<Field, Presets>);
                *takes << Taken{{name, "0040=00,77", name, "0029=A5"}, [=](SimProgramOptions& o) {
                                    EXPECT_EQ(field(o), (Presets{{0x40, QByteArray("\x00\x77", 2)}, {0x29, "\xA5"}}));
                                }};
                *refuses << "0040"
                         << "0040=100"
                         << "=A5"
                         << "10000=00";
            }
        },
        row.field);
}

TEST(SimCommandLine, DefaultsAreAOneWireHandset)
{
    SimProgramOptions o;
    QString message;
    ASSERT_EQ(parse({}, &o, &message), ParseResult::Run);
    EXPECT_EQ(o.device.profile, "handset");
    EXPECT_FALSE(o.device.twoWire);
    EXPECT_EQ(o.device.baud, 0);
    EXPECT_FALSE(o.device.pace);
    EXPECT_FALSE(o.device.type);
    EXPECT_TRUE(o.linkPath.isEmpty());
}

// Every option of the table sets its own field, and only that, to each value
// it takes, and refuses values out of its range or syntax.
TEST(SimCommandLine, EveryOptionOfTheTableSetsItsFieldAndRefusesBadValues)
{
    const QList<SimOptionRow>& table = tbsim::simOptionTable();
    const SimProgramOptions defaults;
    for (const SimOptionRow& row : table) {
        SCOPED_TRACE(row.name);
        QList<Taken> takes;
        QStringList refuses;
        valuesOf(row, &takes, &refuses);
        for (const Taken& taken : takes) {
            SimProgramOptions o;
            QString message;
            ASSERT_EQ(parse(taken.args, &o, &message), ParseResult::Run) << message.toStdString();
            taken.check(o);
            for (const SimOptionRow& other : table) {
                if (&other == &row)
                    continue;
                EXPECT_TRUE(sameField(other, o, defaults)) << "also set --" << other.name;
            }
        }
        for (const QString& value : refuses) {
            SimProgramOptions o;
            QString message;
            EXPECT_EQ(parse({QStringLiteral("--") + QLatin1String(row.name), value}, &o, &message), ParseResult::Error)
                << value.toStdString();
            EXPECT_TRUE(message.contains(QLatin1String(row.name))) << message.toStdString();
        }
    }
}

// A default the help names is the field's default.
TEST(SimCommandLine, TheDefaultsTheHelpNamesAreTheFieldsDefaults)
{
    SimProgramOptions defaults;
    int named = 0;
    for (const SimOptionRow& row : tbsim::simOptionTable()) {
        const QRegularExpressionMatch m = QRegularExpression(QStringLiteral("\\(default (\\w+)")).match(row.help);
        if (!m.hasMatch())
            continue;
        std::visit(
            [&](auto field) {
                using Field = std::remove_reference_t<decltype(field(defaults))>;
                if constexpr (std::is_same_v<Field, int>) {
                    if (m.captured(1) != "by") { // "(default by profile)"
                        EXPECT_EQ(QString::number(field(defaults)), m.captured(1)) << row.name;
                        ++named;
                    }
                }
                else if constexpr (std::is_same_v<Field, QString>) {
                    EXPECT_EQ(field(defaults), m.captured(1)) << row.name;
                    ++named;
                }
            },
            row.field);
    }
    EXPECT_GE(named, 5);
}

TEST(SimCommandLine, ArgumentsOutsideTheTableAreRefused)
{
    const QList<QStringList> bad = {{"--unknown"}, {"stray"}, {"--alt-sync"}};
    for (const QStringList& args : bad) {
        SimProgramOptions o;
        QString message;
        EXPECT_EQ(parse(args, &o, &message), ParseResult::Error) << args.join(' ').toStdString();
        EXPECT_FALSE(message.isEmpty());
    }
}

// --help lists every option with its value, and the simulator's README
// documents each of them and no other.
TEST(SimCommandLine, HelpAndReadmeListEveryOption)
{
    SimProgramOptions o;
    QString help;
    ASSERT_EQ(parse({"--help"}, &o, &help), ParseResult::Help);
    EXPECT_TRUE(help.contains("repeater-multi"));
    QFile file(QStringLiteral(TUNEBENCH_SOURCE_DIR "/sim/device/README.md"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString readme = QString::fromUtf8(file.readAll());
    QStringList names{"--help", "--version"};
    for (const SimOptionRow& row : tbsim::simOptionTable()) {
        const QString name = QStringLiteral("--") + QLatin1String(row.name);
        names << name;
        const QString shown = *row.valueName ? name + " <" + row.valueName + ">" : name;
        EXPECT_TRUE(help.contains(shown)) << shown.toStdString();
        EXPECT_TRUE(readme.contains("`" + name + " ") || readme.contains("`" + name + "`")) << name.toStdString();
    }
    QRegularExpressionMatchIterator it = QRegularExpression(QStringLiteral("`(--[a-z0-9-]+)")).globalMatch(readme);
    while (it.hasNext()) {
        const QString named = it.next().captured(1);
        EXPECT_TRUE(names.contains(named)) << "README names " << named.toStdString();
    }
    EXPECT_EQ(parse({"--version"}, &o, &help), ParseResult::Version);
}

} // namespace
