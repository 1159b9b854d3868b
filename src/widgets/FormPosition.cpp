#include "FormPosition.h"

#include "ProfileFile.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace {

QRect DesktopRect()
{
    QRect desktop;
    for (QScreen* screen : QGuiApplication::screens())
        desktop = desktop.united(screen->geometry());
    return desktop;
}

} // namespace

void RestoreFormPosition(const QString& iniPath, QWidget& form, bool positionOnly)
{
    const QString section = form.objectName();
    try {
        TProfileFile ini(iniPath);
        if (!ini.SectionExists(section)) {
            CenterForm(form);
            return;
        }
        if (ini.ReadBool(section, QStringLiteral("Maximized"), false)) {
            form.setWindowState(form.windowState() | Qt::WindowMaximized);
            return;
        }
        if (!positionOnly) {
            const int height = ini.ReadInteger(section, QStringLiteral("Height"), form.height());
            const int width = ini.ReadInteger(section, QStringLiteral("Width"), form.width());
            form.resize(width, height);
        }
        form.move(ini.ReadInteger(section, QStringLiteral("Left"), 10),
                  ini.ReadInteger(section, QStringLiteral("Top"), 10));
        if (FormOffDesktop(form))
            CenterForm(form);
    }
    catch (...) {
        form.move(10, 10);
    }
}

bool SaveFormPosition(const QString& iniPath, const QWidget& form, QString* error)
{
    const QString section = form.objectName();
    TProfileFile ini(iniPath);
    ini.BeginUpdate();
    if (form.isMaximized())
        ini.WriteBool(section, QStringLiteral("Maximized"), true);
    else {
        ini.WriteInteger(section, QStringLiteral("Height"), form.height());
        ini.WriteInteger(section, QStringLiteral("Width"), form.width());
        ini.WriteInteger(section, QStringLiteral("Top"), form.y());
        ini.WriteInteger(section, QStringLiteral("Left"), form.x());
        ini.WriteBool(section, QStringLiteral("Maximized"), false);
    }
    if (ini.EndUpdate())
        return true;
    if (error != nullptr)
        *error = ini.ErrorString();
    return false;
}

void CenterForm(QWidget& form)
{
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    const QRect monitor = screen->geometry();
    // Integer division rounds towards zero, also for a form wider than the monitor.
    form.move(area.left() + (monitor.width() - form.width()) / 2, area.top() + (monitor.height() - form.height()) / 2);
}

bool FormOffDesktop(const QWidget& form)
{
    return FormOffDesktop(QRect(form.x(), form.y(), form.width(), form.height()), DesktopRect());
}

bool FormOffDesktop(const QRect& form, const QRect& desktop)
{
    const int right = form.x() + form.width();
    const int bottom = form.y() + form.height();
    const int desktopRight = desktop.x() + desktop.width();
    const int desktopBottom = desktop.y() + desktop.height();
    return right < desktop.x() || form.x() > desktopRight || form.y() < desktop.y() || bottom > desktopBottom;
}
