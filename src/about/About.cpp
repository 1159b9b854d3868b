#include "About.h"

#include "BuildInfo.h"

#include <QDateTime>
#include <QDesktopServices>
#include <QDialog>
#include <QGuiApplication>
#include <QLabel>
#include <QLocale>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QUrl>

namespace {

struct TRowDef {
    const char* key;
    const char* caption;
    quint16 bit;
    QString TVersionInfo::*field; // nullptr: BuildTime
};

const TRowDef kRows[kAboutRowCount] = {
    {"ProductName", "Product Name", 0x0080, &TVersionInfo::ProductName},
    {"InternalName", "Internal Name", 0x0008, &TVersionInfo::InternalName},
    {"OriginalFilename", "Original Filename", 0x0040, &TVersionInfo::OriginalFilename},
    {"FileDescription", "File Description", 0x0002, &TVersionInfo::FileDescription},
    {"ProductVersion", "Product Version", 0x0100, &TVersionInfo::ProductVersion},
    {"FileVersion", "File Version", 0x0004, &TVersionInfo::FileVersion},
    {"PartNumber", "Part Number", 0x2000, &TVersionInfo::PartNumber},
    {"BuildTime", "Build Time", 0x1000, nullptr},
    {"LegalCopyright", "Legal Copyright", 0x0010, &TVersionInfo::LegalCopyright},
    {"LegalTrademarks", "Legal Trademarks", 0x0020, &TVersionInfo::LegalTrademarks},
    {"Comments", "Comments", 0x0200, &TVersionInfo::Comments},
    {"CompanyName", "Company Name", 0x0001, &TVersionInfo::CompanyName},
    {"EMail", "E-mail", 0x0400, &TVersionInfo::EMail},
    {"HomePage", "Home Page", 0x0800, &TVersionInfo::HomePage},
};

// A value that opens an address when clicked, with the hand cursor over it.
class TLinkLabel final : public QLabel {
public:
    TLinkLabel(const QString& text, QUrl url, QWidget* parent) : QLabel(text, parent), m_url(std::move(url))
    {
        setCursor(Qt::PointingHandCursor);
        QPalette palette = this->palette();
        palette.setColor(QPalette::WindowText, Qt::blue);
        setPalette(palette);
    }

protected:
    void mouseReleaseEvent(QMouseEvent* event) override
    {
        QLabel::mouseReleaseEvent(event);
        if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
            QDesktopServices::openUrl(m_url); // a failure has no further effect
    }

private:
    QUrl m_url;
};

} // namespace

quint16 AboutRowBit(TAboutRow row) { return kRows[row].bit; }

const char* AboutRowKey(TAboutRow row) { return kRows[row].key; }

TAboutTexts::TAboutTexts()
{
    for (int i = 0; i < kAboutRowCount; ++i)
        rows[i] = QString::fromLatin1(kRows[i].caption);
}

TAbout::TAbout()
{
    ReadVersionInfo(Info);
    BuildTime = QLocale::system().toString(QDateTime::fromSecsSinceEpoch(BuildInfo().buildTime), QLocale::ShortFormat);
}

int TAbout::RowStep(int dotsPerInch)
{
    if (dotsPerInch <= 96)
        return 15;
    const int scaled = 15 * dotsPerInch;
    int step = scaled / 96;
    const int twiceRest = 2 * (scaled % 96);
    if (twiceRest > 96 || (twiceRest == 96 && step % 2 != 0))
        ++step;
    return step;
}

QString TAbout::MailLink() const
{
    return QStringLiteral("mailto:") + Info.EMail + QStringLiteral("?subject=") + Texts.mailSubject +
           QStringLiteral(": ") + Info.ProductName + QLatin1Char(' ') + Info.FileVersion;
}

std::unique_ptr<QDialog> TAbout::BuildDialog(QWidget* parent, int h)
{
    if (ShowFields & kAllRows)
        ShowFields = 0x7FFF;
    auto dialog = std::make_unique<QDialog>(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint);
    dialog->setObjectName(QStringLiteral("AboutForm"));
    dialog->setWindowTitle(Texts.caption);
    int width = 25;
    int y = 0;
    bool anyRow = false;
    bool mailRow = false;
    for (int i = 0; i < kAboutRowCount; ++i) {
        const TRowDef& def = kRows[i];
        if ((ShowFields & def.bit) == 0)
            continue;
        if (i == arEMail)
            y += anyRow ? 2 * h : h;
        else if (i == arHomePage)
            y += mailRow ? h : anyRow ? 2 * h : h;
        else
            y += h;
        const QString value = def.field ? Info.*def.field : BuildTime;
        auto* caption = new QLabel(Texts.rows[i], dialog.get());
        caption->setObjectName(QLatin1String(def.key) + QStringLiteral("Caption"));
        QLabel* valueLabel = nullptr;
        if (i == arEMail)
            valueLabel = new TLinkLabel(value, QUrl(MailLink()), dialog.get());
        else if (i == arHomePage)
            valueLabel = new TLinkLabel(value, QUrl::fromUserInput(value), dialog.get());
        else
            valueLabel = new QLabel(value, dialog.get());
        valueLabel->setObjectName(QLatin1String(def.key) + QStringLiteral("Value"));
        if (i == arProductName) {
            QFont bold = valueLabel->font();
            bold.setBold(true);
            valueLabel->setFont(bold);
        }
        caption->adjustSize();
        valueLabel->adjustSize();
        caption->move(25, y);
        valueLabel->move(150, y);
        width = std::max({width, caption->geometry().right() + 1 + 25, valueLabel->geometry().right() + 1 + 25});
        anyRow = true;
        mailRow = mailRow || i == arEMail;
    }
    y += 2 * h;
    auto* ok = new QPushButton(Texts.ok, dialog.get());
    ok->setObjectName(QStringLiteral("OK"));
    ok->adjustSize();
    ok->move(width / 2 - ok->width() / 2, y);
    QObject::connect(ok, &QPushButton::clicked, dialog.get(), &QDialog::accept);
    dialog->setFixedSize(width, y + 4 * h);
    return dialog;
}

void TAbout::ShowDialog(QWidget* parent)
{
    const QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen();
    const int dpi = screen ? qRound(screen->logicalDotsPerInch()) : 96;
    const std::unique_ptr<QDialog> dialog = BuildDialog(parent, RowStep(dpi));
    dialog->exec();
}
