// Makes the README's screenshots: the main window after "Set Comport" found
// the device on COM1, optionally on the repeater page after a read, or in
// German (the German.lng beside this program); "pages" saves every visible page
// as OUT-<sheet>.png, for a look at each layout ("german,pages" in German).
// Usage: tunebench-screenshot OUT.png [repeater|german|pages|german,pages]
// (under xvfb-run, with TUNEBENCH_COM1 pointing at tunebench-sim).
#include "CommunicationsPage.h"
#include "MachineSettings.h"
#include "ProgramWindows.h"
#include "RepeaterPage.h"
#include "Rov_Evev.h"
#include "TabSheet.h"
#include "TunebenchApplication.h"
#include "support/WaitFor.h"

#include <QFile>
#include <QPixmap>
#include <QTemporaryDir>
#include <cstdio>

int main(int argc, char** argv)
{
    TTunebenchApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: tunebench-screenshot OUT.png\n");
        return 2;
    }
    QTemporaryDir folder;
    TProgramEnvironment env = TProgramEnvironment::FromApplication();
    env.programFile = folder.filePath(QStringLiteral("Tunebench"));
    env.arguments.clear();
    env.machineSettings = folder.filePath(QStringLiteral("VUREZIVO.ini"));
    env.instanceLockPath.clear();
    const QString mode = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QString();
    if (mode.contains(QLatin1String("german"))) {
        QFile::copy(QCoreApplication::applicationDirPath() + QStringLiteral("/German.lng"),
                    folder.filePath(QStringLiteral("German.lng")));
        TMachineSettings(env.machineSettings).WriteString(QStringLiteral("Language"), QStringLiteral("German"));
    }
    TProgramWindows windows(env);
    TForm1& form = *windows.Form1;
    form.show();
    tbtest::waitFor([&] { return form.isVisible(); });
    form.PageControl1->SetActivePage(form.TabSheet5);
    form.Communications->Button2Click();
    if (mode == QLatin1String("repeater")) {
        form.PageControl1->SetActivePage(form.TabSheet4);
        form.RepeaterPage->Button5Click();
    }
    tbtest::waitFor([] { return false; }, 300); // let the window paint
    if (mode.contains(QLatin1String("pages"))) {
        const QString out = QString::fromLocal8Bit(argv[1]);
        const QString stem = out.endsWith(QLatin1String(".png")) ? out.chopped(4) : out;
        for (int i = 0; i < form.PageControl1->count(); ++i) {
            auto* sheet = qobject_cast<TTabSheet*>(form.PageControl1->widget(i));
            if (!sheet || !sheet->TabVisible())
                continue;
            form.PageControl1->SetActivePage(sheet);
            tbtest::waitFor([] { return false; }, 200);
            const QString file = stem + QLatin1Char('-') + sheet->objectName() + QStringLiteral(".png");
            if (!form.grab().save(file)) {
                std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
                return 1;
            }
            std::printf("%s\n", qPrintable(file));
        }
        return 0;
    }
    if (!form.grab().save(QString::fromLocal8Bit(argv[1]))) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    std::printf("%s: %s\n", argv[1], qPrintable(form.PanelText(1)));
    return 0;
}
