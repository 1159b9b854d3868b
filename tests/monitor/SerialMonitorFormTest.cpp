#include "SerialMonitorForm.h"
#include "DialogsTranslation.h"
#include "FileDialogs.h"
#include "MonitorListModel.h"
#include "MonitorRules.h"
#include "ScriptedDialogPresenter.h"
#include "TraceMonitor.h"
#include "support/WaitFor.h"
#ifdef Q_OS_UNIX
#include "support/FileSizeLimit.h"
#endif

#include <QApplication>
#include <QBuffer>
#include <QCheckBox>
#include <QClipboard>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeView>
#include <gtest/gtest.h>

namespace {

QString FixedClock() { return QStringLiteral("12:34:56:000789"); }

class SerialMonitorFormTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        form = new TSerialMonitorForm;
        form->Builder().SetClock(FixedClock);
        form->show();
        ASSERT_TRUE(tbtest::waitFor([this] { return form->isVisible(); }));
    }
    void TearDown() override { delete form.data(); }

    template <typename T>
    T* Child(const char* name) const
    {
        T* child = form->findChild<T*>(QLatin1String(name));
        EXPECT_NE(child, nullptr) << name;
        return child;
    }
    // A realistic exchange: frame out, echo and answer in, verdict and data.
    void AddMix(int n)
    {
        for (int i = 0; i < n; ++i) {
            if (i % 3 == 0)
                form->AddTraffic(TrafficDirection::Sent, QByteArray::fromHex("FFFF4D023C08000100"));
            else if (i % 3 == 1)
                form->AddTraffic(TrafficDirection::Received, QByteArray::fromHex("4D02013D5A97"));
            else
                form->AddInfoLine(InfoKind::Comment, QStringLiteral("Rx CRC OK"), QStringLiteral("CRC"));
        }
    }
    void AddCounts(const QList<int>& counts)
    {
        for (const int n : counts)
            form->AddTraffic(TrafficDirection::Received, QByteArray(n, 'x'));
        form->FlushPending();
    }
    void Select(const QList<int>& rows)
    {
        auto* list = Child<QTreeView>("lvMonitor");
        list->clearSelection();
        for (const int row : rows)
            list->selectionModel()->select(form->ListModel()->index(row, 0),
                                           QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    [[nodiscard]] QString Panel(int i) const
    {
        return Child<QLabel>(qPrintable(QStringLiteral("StatusPanel%1").arg(i)))->text();
    }

    QPointer<TSerialMonitorForm> form;
    TScriptedDialogPresenter dialogs;
    TScopedDialogPresenter useDialogs{dialogs};
    TScriptedFileDialogPresenter fileDialogs;
    TScopedFileDialogPresenter useFileDialogs{fileDialogs};
};

TEST_F(SerialMonitorFormTest, StartsAsSpecified)
{
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Serial Monitor"));
    EXPECT_TRUE(form->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(Child<QCheckBox>("chkFollow")->isChecked());
    EXPECT_FALSE(Child<QCheckBox>("chkOmitNewData")->isChecked());
    auto* maxLines = Child<QSpinBox>("seMaxLines");
    EXPECT_EQ(maxLines->value(), 5000);
    EXPECT_EQ(maxLines->maximum(), 100000);
    QStringList headers;
    for (int c = 0; c < form->ListModel()->columnCount(); ++c)
        headers += form->ListModel()->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
    EXPECT_EQ(headers.join(QLatin1Char('|')), QStringLiteral("Info|Time|Count|Hex / Comment|Ascii"));
    EXPECT_TRUE(Panel(0).startsWith(QStringLiteral("Trace Reset: ")));
    EXPECT_EQ(Panel(1), QStringLiteral("Lines Used: 0"));
}

struct LimitCase {
    int maxLines;
    bool follow;
    int added;
    int remaining;
};

class LineLimitTest : public SerialMonitorFormTest, public ::testing::WithParamInterface<LimitCase> {};

TEST_P(LineLimitTest, TrimsOldestEntriesOnlyWhileFollowingWithALimit)
{
    const LimitCase c = GetParam();
    Child<QSpinBox>("seMaxLines")->setValue(c.maxLines);
    Child<QCheckBox>("chkFollow")->setChecked(c.follow);
    for (int i = 0; i < c.added; ++i)
        form->AddInfoLine(InfoKind::Comment, QString::number(i), QStringLiteral("MAIL"));
    EXPECT_EQ(form->EntryCount(), c.remaining);
    // The newest entries survive: the last one is always the last added.
    EXPECT_EQ(form->ListModel()->Entry(form->EntryCount() - 1).hexComment, QString::number(c.added - 1));
    EXPECT_EQ(form->ListModel()->Entry(0).hexComment, QString::number(c.added - c.remaining));
    ASSERT_TRUE(tbtest::waitFor([&] { return Panel(1) == QStringLiteral("Lines Used: %1").arg(c.remaining); }));
    EXPECT_EQ(form->ListModel()->rowCount(), c.remaining);
}

INSTANTIATE_TEST_SUITE_P(Limits, LineLimitTest,
                         ::testing::Values(LimitCase{5000, true, 5025, 5025}, LimitCase{5000, true, 5026, 4975},
                                           LimitCase{100, true, 101, 100}, LimitCase{0, true, 6000, 6000},
                                           LimitCase{5000, false, 5100, 5100}));

TEST_F(SerialMonitorFormTest, FollowDataEnablesTheLimitControls)
{
    auto* follow = Child<QCheckBox>("chkFollow");
    follow->setChecked(false);
    EXPECT_FALSE(Child<QSpinBox>("seMaxLines")->isEnabled());
    EXPECT_FALSE(Child<QLabel>("lblMaxLines")->isEnabled());
    follow->setChecked(true);
    EXPECT_TRUE(Child<QSpinBox>("seMaxLines")->isEnabled());
    EXPECT_TRUE(Child<QLabel>("lblMaxLines")->isEnabled());
}

TEST_F(SerialMonitorFormTest, OmitNewDataAddsNothing)
{
    Child<QCheckBox>("chkOmitNewData")->setChecked(true);
    AddMix(30);
    EXPECT_EQ(form->EntryCount(), 0);
}

TEST_F(SerialMonitorFormTest, EntriesUseTranslatedLabelsAndKindColours)
{
    Child<QLabel>("lblTX")->setText(QStringLiteral("SE"));
    form->AddTraffic(TrafficDirection::Sent, "a");
    form->AddTraffic(TrafficDirection::Received, "b");
    form->AddInfoLine(InfoKind::PortState, QStringLiteral("COM1 Closed"), {});
    form->FlushPending();
    const TMonitorListModel& m = *form->ListModel();
    EXPECT_EQ(m.Entry(0).info, QStringLiteral("SE"));
    EXPECT_EQ(m.data(m.index(0, 0), Qt::ForegroundRole).value<QColor>(), QColor(Qt::red));
    EXPECT_EQ(m.data(m.index(1, 3), Qt::ForegroundRole).value<QColor>(), QColor(0, 0x80, 0));
    EXPECT_EQ(m.data(m.index(2, 4), Qt::ForegroundRole).value<QColor>(), QColor(Qt::blue));
    EXPECT_EQ(m.data(m.index(2, 3), Qt::DisplayRole).toString(), QStringLiteral("COM1 Closed"));
}

TEST_F(SerialMonitorFormTest, ConcatenateSumsCountsThenJoinsOverASum)
{
    AddCounts({12, 6, 3, 5});
    Select({0, 1, 2});
    form->Concatenate();
    ASSERT_EQ(form->EntryCount(), 2);
    EXPECT_EQ(form->ListModel()->Entry(0).count, QStringLiteral("21 (12+6+3)"));
    EXPECT_EQ(form->ListModel()->Entry(0).hexComment, HexBlockText(QByteArray(21, 'x')));
    EXPECT_EQ(Panel(1), QStringLiteral("Lines Used: 2"));

    Select({0, 1});
    form->Concatenate();
    ASSERT_EQ(form->EntryCount(), 1);
    EXPECT_EQ(form->ListModel()->Entry(0).count, QStringLiteral("21 (12+6+3)+5"));
}

TEST_F(SerialMonitorFormTest, CopyPutsOneLineOrLinesWithCrLfAndNothingWithoutSelection)
{
    AddCounts({1, 2, 3});
    const TColumnCaptions captions;
    QGuiApplication::clipboard()->setText(QStringLiteral("kept"));
    Select({});
    form->CopySelection();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("kept"));

    Select({1});
    form->CopySelection();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), LineText(form->ListModel()->Entry(1), captions));

    Select({2, 0});
    form->CopySelection();
    EXPECT_EQ(QGuiApplication::clipboard()->text(),
              LineText(form->ListModel()->Entry(0), captions) + QStringLiteral("\r\n") +
                  LineText(form->ListModel()->Entry(2), captions) + QStringLiteral("\r\n"));
}

TEST_F(SerialMonitorFormTest, SaveWritesLineTextsWithCrLfAndTheTraceMatchesIt)
{
    QBuffer traced;
    traced.open(QIODevice::WriteOnly);
    TTraceMonitor trace(&traced);
    trace.Builder().SetClock(FixedClock);
    for (ITrafficMonitor* m : {static_cast<ITrafficMonitor*>(form.data()), static_cast<ITrafficMonitor*>(&trace)}) {
        m->AddInfoLine(InfoKind::PortState, QStringLiteral("COM1 open at 9600 baud"), {});
        m->AddTraffic(TrafficDirection::Sent, QByteArray::fromHex("FFFF4D023C08000100"));
        m->AddTraffic(TrafficDirection::Received, QByteArray::fromHex("4D02013D5A97"));
        m->AddInfoLine(InfoKind::Comment, QStringLiteral("Rx CRC OK"), QStringLiteral("CRC"));
        m->AddInfoLine(InfoKind::Comment, QStringLiteral("5A"), QStringLiteral("MAIL"));
    }
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    fileDialogs.Answer(dir.filePath(QStringLiteral("trace")));
    form->Save();
    ASSERT_EQ(fileDialogs.Requests().size(), 1u);
    EXPECT_EQ(fileDialogs.Requests()[0].kind, TScriptedFileDialogPresenter::TKind::Save);
    EXPECT_EQ(fileDialogs.Requests()[0].request.filter, QStringLiteral("Text files (*.txt *.TXT)"));
    EXPECT_EQ(fileDialogs.Requests()[0].request.defaultSuffix, QStringLiteral("txt"));
    EXPECT_EQ(dialogs.Count(), 0u) << dialogs.Last().text.toStdString();

    QFile saved(dir.filePath(QStringLiteral("trace.txt")));
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    const QByteArray bytes = saved.readAll();
    const QByteArray expected =
        QStringLiteral(
            "CT  Time: 12:34:56:000789 => COM1 open at 9600 baud\r\n"
            "TX  Time: 12:34:56:000789 Count: 9 => Hex / Comment: FF FF 4D 02 3C 08 00 01 00    => Ascii:  "
            "\u00ff\u00ffM.<....\r\n"
            "RX  Time: 12:34:56:000789 Count: 6 => Hex / Comment: 4D 02 01 3D 5A 97    => Ascii:  M..=Z\u2014\r\n"
            "CRC  Time: 12:34:56:000789 Count:  => Hex / Comment: Rx CRC OK   => Ascii: \r\n"
            "MAIL  Time: 12:34:56:000789 Count:  => Hex / Comment: 5A   => Ascii: \r\n")
            .toUtf8();
    EXPECT_EQ(bytes, expected);
    EXPECT_EQ(traced.data(), expected);
    EXPECT_EQ(form->EntryCount(), 5);
    EXPECT_FALSE(form->IsBusy());
}

TEST_F(SerialMonitorFormTest, FailedSaveIsReportedWithFileNameAndReason)
{
    AddMix(3);
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("missing/trace.txt"));
    fileDialogs.Answer(target);
    form->Save();
    ASSERT_EQ(dialogs.Count(), 1u);
    const QString message = dialogs.Last().text;
    EXPECT_EQ(dialogs.Last().type, mtError);
    EXPECT_TRUE(message.contains(target)) << message.toStdString();
    EXPECT_GT(message.size(), target.size() + 40) << "no reason given: " << message.toStdString();
    EXPECT_FALSE(QFile::exists(target));
    EXPECT_EQ(form->EntryCount(), 3);
    EXPECT_FALSE(form->IsBusy());

    form->Save(); // the dialog is cancelled: nothing written, nothing to report
    EXPECT_EQ(dialogs.Count(), 1u);
    EXPECT_FALSE(form->IsBusy());
}

// A trace that cannot be written whole (a full disk) leaves the earlier file as it was.
TEST_F(SerialMonitorFormTest, ASaveThatCannotBeWrittenWholeKeepsTheEarlierFile)
{
#ifndef Q_OS_UNIX
    GTEST_SKIP() << "the full disk is a file size limit (RLIMIT_FSIZE), which Windows has not";
#else
    AddMix(30);
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("trace.txt"));
    QFile earlier(target);
    ASSERT_TRUE(earlier.open(QIODevice::WriteOnly));
    earlier.write("earlier\r\n");
    earlier.close();
    fileDialogs.Answer(target);
    {
        const tbtest::TFileSizeLimit fullDisk(64);
        form->Save();
    }
    ASSERT_EQ(dialogs.Count(), 1u);
    EXPECT_TRUE(dialogs.Last().text.contains(target)) << dialogs.Last().text.toStdString();
    ASSERT_TRUE(earlier.open(QIODevice::ReadOnly));
    EXPECT_EQ(earlier.readAll(), "earlier\r\n");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("trace.txt")});
#endif
}

TEST_F(SerialMonitorFormTest, ClearEmptiesListAndResetsStatus)
{
    AddMix(10);
    form->FlushPending();
    form->Clear();
    EXPECT_EQ(form->EntryCount(), 0);
    EXPECT_EQ(form->ListModel()->rowCount(), 0);
    EXPECT_EQ(Panel(1), QStringLiteral("Lines Used: 0"));
    EXPECT_FALSE(form->IsBusy());
}

TEST_F(SerialMonitorFormTest, ShowOpensModalCourierTextOfTheSelection)
{
    AddCounts({2, 4});
    Select({0, 1});
    QString shown;
    QString family;
    QTimer::singleShot(0, [&] {
        auto* window = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(window, nullptr);
        auto* box = window->findChild<QPlainTextEdit*>();
        ASSERT_NE(box, nullptr);
        shown = box->toPlainText();
        family = box->font().family();
        EXPECT_EQ(box->lineWrapMode(), QPlainTextEdit::NoWrap);
        EXPECT_EQ(window->size(), form->size());
        window->close();
    });
    form->ShowSelection();
    const TColumnCaptions captions;
    EXPECT_EQ(shown, LineText(form->ListModel()->Entry(0), captions) + QLatin1Char('\n') +
                         LineText(form->ListModel()->Entry(1), captions) + QLatin1Char('\n'));
    EXPECT_EQ(family, QStringLiteral("Courier"));
}

TEST_F(SerialMonitorFormTest, StayOnTopFollowsItsCheckBox)
{
    auto* stay = Child<QCheckBox>("chkStayOnTop");
    stay->setChecked(false);
    EXPECT_FALSE(form->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(form->isVisible());
    stay->setChecked(true);
    EXPECT_TRUE(form->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
}

TEST_F(SerialMonitorFormTest, ColumnsFitTheFirstTrafficAndTheLastStretches)
{
    auto* list = Child<QTreeView>("lvMonitor");
    form->AddTraffic(TrafficDirection::Sent, QByteArray::fromHex("FFFF4D023B0800034001020304050607"));
    // A four-byte read's answer, the longest of a repeater read: its ASCII is not cut either.
    form->AddTraffic(TrafficDirection::Received, QByteArray::fromHex("FFFF4D02063C080003400087"
                                                                     "4D3C033D0004D516"));
    form->FlushPending();
    const QFontMetrics metrics(list->font());
    for (int row = 0; row < form->ListModel()->rowCount(); ++row) {
        const QString ascii = form->ListModel()->index(row, 4).data().toString();
        EXPECT_GT(list->columnWidth(4), metrics.horizontalAdvance(ascii)) << ascii.toStdString();
    }
    for (int c = 0; c < 4; ++c) {
        const QString text = form->ListModel()->index(0, c).data().toString();
        EXPECT_GT(list->columnWidth(c), metrics.horizontalAdvance(text)) << c << ": " << text.toStdString();
    }
    const auto lastColumnEnd = [list] { return list->header()->sectionViewportPosition(4) + list->columnWidth(4); };
    EXPECT_EQ(lastColumnEnd(), list->viewport()->width());
    const int hexWidth = list->columnWidth(3);
    const int viewportWidth = list->viewport()->width();
    form->resize(form->width() + 200, form->height());
    ASSERT_TRUE(tbtest::waitFor([&] { return list->viewport()->width() == viewportWidth + 200; }));
    EXPECT_EQ(lastColumnEnd(), list->viewport()->width());
    EXPECT_EQ(list->columnWidth(3), hexWidth);
}

TEST(SerialMonitorRegistry, ClosingTheWindowDestroysItAndLeavesNoMonitor)
{
    InstallSerialMonitorFactory();
    auto* created = dynamic_cast<TSerialMonitorForm*>(TrafficMonitorRegistry::Create());
    ASSERT_NE(created, nullptr);
    created->ShowMonitor();
    QPointer<TSerialMonitorForm> window(created);
    created->close();
    EXPECT_EQ(TrafficMonitorRegistry::Current(), nullptr);
    EXPECT_TRUE(tbtest::waitFor([&] {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return window.isNull();
    }));
    // The next one is a new, empty window; freeing it through the registry works too.
    auto* next = dynamic_cast<TSerialMonitorForm*>(TrafficMonitorRegistry::Create());
    ASSERT_NE(next, nullptr);
    EXPECT_EQ(next->EntryCount(), 0);
    TrafficMonitorRegistry::Free();
    EXPECT_EQ(TrafficMonitorRegistry::Current(), nullptr);
    TrafficMonitorRegistry::SetFactory({});
}

} // namespace
