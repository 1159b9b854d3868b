#include "TypingLimit.h"

#include <QLineEdit>

TTypingLimit::TTypingLimit(QLineEdit* edit, int limit) : QValidator(edit), m_edit(edit), m_limit(limit)
{
    edit->setValidator(this);
}

QValidator::State TTypingLimit::validate(QString& input, int&) const
{
    if (input.size() <= m_limit)
        return Acceptable;
    // Past the limit only when the text does not grow (an edit inside a text
    // that was longer before the limit came down).
    return m_edit && input.size() <= m_edit->text().size() ? Acceptable : Invalid;
}
