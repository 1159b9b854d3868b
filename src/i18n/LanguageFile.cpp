#include "LanguageFile.h"

#include "DialogsForm.h"
#include "ProfileFile.h"
#include "TranslatableComponents.h"

#include <QDir>
#include <QFileInfo>
#include <QWidget>

QStringList TranslatedWindowNames()
{
    return {QStringLiteral("Form1"), QStringLiteral("Form3"), QStringLiteral("LanguageForm"),
            QStringLiteral("DialogsForm")};
}

QString LanguageFilePath(const QStringList& folders, const QString& language)
{
    if (language.isEmpty() || language.contains(QLatin1Char('/')) || language.contains(QLatin1Char('\\')) ||
        language.contains(QLatin1String("..")))
        return {};
    const QString fileName = language + QLatin1String(kLanguageFileSuffix);
    for (const QString& folder : folders) {
        const QString exact = folder + fileName;
        if (QFileInfo(exact).isFile())
            return exact;
        const QStringList candidates = QDir(folder).entryList({QStringLiteral("*")}, QDir::Files, QDir::Name);
        for (const QString& candidate : candidates)
            if (candidate.compare(fileName, Qt::CaseInsensitive) == 0)
                return folder + candidate;
    }
    return {};
}

bool ApplyLanguageFile(const QString& filePath, QWidget& window)
{
    if (filePath.isEmpty() || !QFileInfo(filePath).isFile())
        return false;
    const TProfileFile file(filePath, TProfileFile::TEncoding::Windows1252, TFileKind::Language);
    const QString section = window.objectName();
    const QList<QObject*> components = WindowComponents(window);
    for (auto it = components.crbegin(); it != components.crend(); ++it) {
        QObject& component = **it;
        const TTranslationRows rows = TranslationRows(component);
        if (rows == 0)
            continue;
        const QString name = component.objectName();
        if (HasCaptionRow(rows)) {
            const QString caption = file.ReadString(section, name + QStringLiteral(".Caption"));
            if (!caption.isEmpty())
                SetComponentCaption(component,
                                    (rows & trGroupBox) ? QLatin1Char(' ') + caption + QLatin1Char(' ') : caption);
        }
        const QString hint = file.ReadString(section, name + QStringLiteral(".Hint"));
        if (!hint.isEmpty())
            SetComponentHint(component, hint);
    }
    return true;
}

bool ApplyLanguage(const QString& language, QWidget& window, const QStringList& folders)
{
    return ApplyLanguageFile(LanguageFilePath(folders, language), window);
}

void ApplyLanguageToWindows(const QString& language, const QStringList& folders, const TWindowFinder& findWindow)
{
    if (language.isEmpty() || language == QLatin1String(kEnglish))
        return;
    for (const QString& name : TranslatedWindowNames())
        if (QWidget* window = findWindow(name))
            (void)ApplyLanguage(language, *window, folders);
    if (const auto* dialogs = qobject_cast<const TDialogsForm*>(findWindow(QStringLiteral("DialogsForm"))))
        CopyDialogTexts(*dialogs);
}
