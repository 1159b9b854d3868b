#include "Mnemonic.h"

QString WithMnemonic(const QString& caption)
{
    if (caption.contains(QLatin1Char('&')))
        return caption;
    for (qsizetype i = 0; i < caption.size(); ++i)
        if (caption.at(i).isLetterOrNumber())
            return caption.left(i) + QLatin1Char('&') + caption.mid(i);
    return caption;
}

QString WithoutMnemonic(const QString& text)
{
    QString plain;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i) == QLatin1Char('&') && i + 1 < text.size())
            ++i;
        plain += text.at(i);
    }
    return plain;
}
