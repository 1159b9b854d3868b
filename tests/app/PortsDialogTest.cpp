// The Ports dialog offscreen with a simulated port list: a simulated handset
// on a pseudo-terminal stands for a USB adapter with a stable by-id name.
#include "PortsDialog.h"
#include "ComChoiceDelegate.h"
#include "CommunicationsPage.h"
#include "MainWindowFixture.h"
#include "TpaProComImpl.h"
#include "support/SimHarness.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTableWidget>
#include <QTimer>

namespace {

using tbtest::SimHarness;

class PortsDialogTest : public tbtest::MainWindowFixture {
protected:
    void SetUp() override
    {
        MainWindowFixture::SetUp();
        ASSERT_TRUE(m_sim.start()) << m_sim.errorString().toStdString();
        // As long as /dev/serial/by-id, whatever TMPDIR is: the widths below are a real adapter's.
        ASSERT_TRUE(m_byId.isValid());
        const QString byId = m_byId.path();
        m_stable = byId + QStringLiteral("/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0");
        ASSERT_TRUE(QFile::link(m_sim.portPath(), m_stable));
        TSerialPortEntry builtIn;
        builtIn.devicePath = QStringLiteral("/dev/ttyS0");
        TSerialPortEntry adapter;
        adapter.devicePath = m_sim.portPath();
        adapter.description = QStringLiteral("FT232R USB UART");
        adapter.manufacturer = QStringLiteral("FTDI");
        adapter.serialNumber = QStringLiteral("A50285BI");
        adapter.vendorId = 0x0403;
        adapter.productId = 0x6001;
        m_ports = SerialPortList::WithStableNames({builtIn, adapter}, byId);
    }
    void TearDown() override
    {
        MainWindowFixture::TearDown();
        m_sim.stop();
    }
    TForm1& StartWithPorts()
    {
        TForm1& form = Start();
        form.Operations().Sendmail().Port().PortMap().SetScanner([this] { return m_ports; });
        form.Communications->RefreshPortHints();
        return form;
    }
    // Opens the dialog from its button and lets the step act on it while it is shown.
    void InDialog(TForm1& form, const std::function<void(TPortsDialog&)>& step)
    {
        bool ran = false;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<TPortsDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            ran = true;
            step(*dialog);
            if (dialog->isVisible())
                dialog->reject();
        });
        form.Communications->btnPorts->click();
        EXPECT_TRUE(ran);
    }
    static QComboBox* Choice(TPortsDialog& dialog, int com)
    {
        return dialog.findChild<QComboBox*>(QStringLiteral("cbCOM%1").arg(com));
    }
    QString ItemDevice(TForm1& form, int index)
    {
        return form.Communications->ComChoice->itemData(index, TComChoiceDelegate::DeviceRole).toString();
    }

    SimHarness m_sim{{"--profile", "handset"}};
    QTemporaryDir m_byId{QStringLiteral("/tmp/byid-XXXXXX")};
    QString m_stable;
    QList<TSerialPortEntry> m_ports;
};

TEST_F(PortsDialogTest, TheOnlyUsbAdapterIsCom1UntilAPortIsAssigned)
{
    TForm1& form = StartWithPorts();
    EXPECT_EQ(ItemDevice(form, 0), m_stable);
    EXPECT_TRUE(
        form.Communications->ComChoice->itemData(0, Qt::ToolTipRole).toString().contains("only USB serial adapter"));
    EXPECT_EQ(form.Communications->lblComDevice->text(), m_stable);
    form.Communications->Button2Click();
    EXPECT_EQ(form.PanelText(1), "PP Connected");
}

TEST_F(PortsDialogTest, AnAssignmentIsStoredUnderItsStableNameShownAndUsedBySetComport)
{
    TForm1& form = StartWithPorts();
    InDialog(form, [&](TPortsDialog& dialog) {
        auto* table = dialog.findChild<QTableWidget*>(QStringLiteral("tblPorts"));
        ASSERT_EQ(table->rowCount(), 2);
        EXPECT_TRUE(table->item(1, 0)->text().contains(m_stable));
        EXPECT_EQ(table->item(1, 3)->text(), "0403:6001");
        // The stable name is long: the dialog widens so that no column is pushed out of sight.
        QCoreApplication::sendPostedEvents();
        EXPECT_EQ(table->horizontalScrollBar()->maximum(), 0);
        QComboBox* com2 = Choice(dialog, 2);
        com2->setCurrentIndex(com2->findData(m_stable));
        ASSERT_EQ(dialog.Choice(2), m_stable);
        dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
        EXPECT_FALSE(dialog.isVisible());
    });
    EXPECT_EQ(Registry().ReadString(QStringLiteral("Ports/COM2")), m_stable);
    EXPECT_EQ(ItemDevice(form, 1), m_stable);
    EXPECT_EQ(ItemDevice(form, 0), "/dev/ttyS0"); // an assignment ends the one-adapter default

    form.Communications->ComChoice->setCurrentIndex(1);
    form.Communications->Button2Click();
    EXPECT_EQ(form.PanelText(0), "COM2");
    EXPECT_EQ(form.PanelText(1), "PP Connected");

    // Reopened, the dialog shows the assignment; a device path stored by hand
    // is offered under the stable name; cancelling stores nothing. The buttons
    // speak the language of the message boxes.
    ASSERT_TRUE(Registry().WriteString(QStringLiteral("Ports/COM3"), m_sim.portPath()));
    ASSERT_TRUE(Registry().WriteString(QStringLiteral("Ports/COM4"), QStringLiteral("/dev/ttyUSB7")));
    TDialogTexts texts = DefaultDialogTexts();
    texts[dtCancel] = QStringLiteral("Abbrechen");
    SetDialogTexts(texts);
    InDialog(form, [&](TPortsDialog& dialog) {
        EXPECT_EQ(dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Cancel)->text(), "Abbrechen");
        EXPECT_EQ(dialog.Choice(2), m_stable);
        EXPECT_EQ(dialog.Choice(3), m_stable);
        EXPECT_EQ(Choice(dialog, 4)->currentText(), "/dev/ttyUSB7 (not present)");
        EXPECT_EQ(dialog.Choice(1), QString());
        Choice(dialog, 2)->setCurrentIndex(0);
    });
    EXPECT_EQ(Registry().ReadString(QStringLiteral("Ports/COM2")), m_stable);
    EXPECT_EQ(Registry().ReadString(QStringLiteral("Ports/COM3")), m_sim.portPath());
}

TEST_F(PortsDialogTest, APortTheScanDoesNotListIsPresentAndTheEnvironmentIsShownFirst)
{
    TForm1& form = StartWithPorts();
    // A port that the scan does not list (as a pseudo-terminal never is) is there all the same.
    const QString unlisted = m_dir.filePath(QStringLiteral("ttyUnlisted"));
    QFile port(unlisted);
    ASSERT_TRUE(port.open(QIODevice::WriteOnly));
    ASSERT_TRUE(Registry().WriteString(QStringLiteral("Ports/COM5"), unlisted));
    qputenv("TUNEBENCH_COM6", m_sim.portPath().toLocal8Bit());
    InDialog(form, [&](TPortsDialog& dialog) {
        EXPECT_EQ(Choice(dialog, 5)->currentText(), unlisted);
        EXPECT_EQ(Choice(dialog, 6)->currentText(),
                  m_sim.portPath() + " (set by TUNEBENCH_COM6, which comes before this choice)");
        EXPECT_FALSE(Choice(dialog, 6)->isEnabled());
        dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
    });
    qunsetenv("TUNEBENCH_COM6");
    EXPECT_FALSE(Registry().ReadString(QStringLiteral("Ports/COM6"))); // the environment is not stored
    // The COM list is wide enough for "COM1   <device>".
    QComboBox* choice = form.Communications->ComChoice;
    EXPECT_GE(choice->view()->minimumWidth(), choice->view()->sizeHintForColumn(0));
}

TEST_F(PortsDialogTest, AnAdaptersDriverAndLatencyTimerAreShownWithWhatHelpsAgainstASlowTimer)
{
    m_ports[1].driver = QStringLiteral("ftdi_sio");
    for (const int ms : {16, 1}) {
        m_ports[1].latencyTimerMs = ms;
        TForm1& form = StartWithPorts();
        InDialog(form, [&](TPortsDialog& dialog) {
            auto* table = dialog.findChild<QTableWidget*>(QStringLiteral("tblPorts"));
            EXPECT_EQ(table->horizontalHeaderItem(5)->text(), "Driver\nLatency timer");
            EXPECT_EQ(table->item(1, 5)->text(), QStringLiteral("ftdi_sio\n%1 ms").arg(ms));
            EXPECT_EQ(table->item(0, 5)->text(), QString());
            QCoreApplication::sendPostedEvents();
            EXPECT_EQ(table->horizontalScrollBar()->maximum(), 0);
            const auto* note = dialog.findChild<QLabel*>(QStringLiteral("lblLatencyNote"));
            ASSERT_EQ(note != nullptr, ms > 1);
            if (note) {
                EXPECT_TRUE(note->text().contains(QLatin1String(SerialPortList::kLatencyRuleName)));
            }
        });
        MainWindowFixture::TearDown();
        MainWindowFixture::SetUp();
    }
}

TEST_F(PortsDialogTest, AStoreThatCannotBeWrittenIsReportedAndTheDialogStays)
{
    TForm1& form = StartWithPorts();
    QFile::remove(m_registryPath);
    QDir().rmpath(QFileInfo(m_registryPath).path());
    QFile blocker(QFileInfo(m_registryPath).path());
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly)); // a file where the store's folder should be
    blocker.close();
    InDialog(form, [&](TPortsDialog& dialog) {
        Choice(dialog, 1)->setCurrentIndex(2);
        dialog.accept();
        EXPECT_TRUE(dialog.isVisible());
    });
    ASSERT_EQ(m_dialogs.Count(), 1u);
    EXPECT_TRUE(m_dialogs.Last().text.startsWith("The assignment could not be stored:"));
}

} // namespace
