#include "CliOutput.h"

#include <QJsonArray>
#include <QJsonDocument>

void TCliOutput::Write(const QString& type, const QJsonObject& fields)
{
    // What the command said before this object is one report on standard error,
    // not the start of the next one.
    m_err.flush();
    // The type first, so that a reader of the lines sees at once what each is.
    const QByteArray name = QJsonDocument(QJsonArray{type}).toJson(QJsonDocument::Compact);
    QByteArray rest = QJsonDocument(fields).toJson(QJsonDocument::Compact);
    rest.remove(0, 1); // its opening brace
    QByteArray line = "{\"type\":" + name.mid(1, name.size() - 2);
    if (rest != "}")
        line += ',';
    line += rest;
    m_out << QString::fromUtf8(line) << '\n';
    m_out.flush();
}

void TCliOutput::Result(const QString& type, const QJsonObject& fields, const QString& human)
{
    if (m_json) {
        Write(type, fields);
        return;
    }
    m_out << human;
    m_out.flush();
}

void TCliOutput::Progress(int percent, const QString& human, const QJsonObject& fields)
{
    if (m_json) {
        QJsonObject progress = fields;
        progress.insert(QStringLiteral("percent"), percent);
        Write(QStringLiteral("progress"), progress);
        return;
    }
    m_err << human;
    m_err.flush();
}

void TCliOutput::Transient(const QString& text)
{
    if (m_json)
        return;
    m_out << text;
    m_out.flush();
}

void TCliOutput::Failure(int exit, const QString& message)
{
    if (m_json)
        Write(QStringLiteral("error"), {{QStringLiteral("exit"), exit}, {QStringLiteral("message"), message}});
}
