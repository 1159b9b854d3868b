#include "WelcomePage.h"

#include "ui_WelcomePage.h"

#include "BoundedFile.h"

#include <QPixmap>

TWelcomePage::TWelcomePage(QWidget* parent) : QWidget(parent), m_ui(std::make_unique<Ui::TWelcomePage>())
{
    m_ui->setupUi(this);
    setObjectName(QStringLiteral("WelcomePage"));
    Image1 = m_ui->Image1;
    lblVersion = m_ui->lblVersion;
    Label50 = m_ui->Label50;
    Label52 = m_ui->Label52;
    Label53 = m_ui->Label53;
    Label54 = m_ui->Label54;
    Label55 = m_ui->Label55;
    lblAbout = m_ui->lblAbout;
    lblVersionHidden = m_ui->lblVersionHidden;
    QFont font = lblVersion->font();
    font.setPixelSize(16);
    lblVersion->setFont(font);
}

TWelcomePage::~TWelcomePage() = default;

bool TWelcomePage::LoadPicture(const QString& path)
{
    QByteArray bytes;
    QPixmap picture;
    if (!ReadBoundedFile(path, TFileKind::Picture, bytes) || !picture.loadFromData(bytes))
        return false;
    Image1->hide();
    Image1->setPixmap(picture);
    Image1->resize(picture.size());
    LayoutPicture();
    Image1->show();
    return true;
}

void TWelcomePage::LayoutPicture()
{
    Image1->move(width() / 2 - Image1->width() / 2, height() / 2 - Image1->height() / 2);
    lblVersion->move(width() / 2 - lblVersion->width() / 2, Image1->y() + Image1->height() + 30);
}

void TWelcomePage::SetVersion(const QString& version)
{
    lblVersion->setText(version);
    lblVersion->adjustSize();
    LayoutPicture();
}

void TWelcomePage::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    LayoutPicture();
}
