#include "AboutLabels.h"

#include <QLabel>

namespace {

QLabel* HiddenLabel(QWidget* parent, const QString& name, const QString& caption)
{
    auto* label = new QLabel(caption, parent);
    label->setObjectName(name);
    label->hide();
    return label;
}

} // namespace

TAboutLabels::TAboutLabels(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("AboutLabels"));
    const TAboutTexts defaults;
    for (int i = 0; i < kAboutRowCount; ++i)
        m_rows[i] = HiddenLabel(
            this, QStringLiteral("lblAbout") + QLatin1String(AboutRowKey(static_cast<TAboutRow>(i))), defaults.rows[i]);
    m_caption = HiddenLabel(this, QStringLiteral("lblAboutWindow"), defaults.caption);
    m_ok = HiddenLabel(this, QStringLiteral("lblAboutOk"), defaults.ok);
    m_subject = HiddenLabel(this, QStringLiteral("lblAboutSubject"), defaults.mailSubject);
    hide();
}

TAboutTexts TAboutLabels::Texts() const
{
    TAboutTexts texts;
    for (int i = 0; i < kAboutRowCount; ++i)
        texts.rows[i] = m_rows[i]->text();
    texts.caption = m_caption->text();
    texts.ok = m_ok->text();
    texts.mailSubject = m_subject->text();
    return texts;
}
