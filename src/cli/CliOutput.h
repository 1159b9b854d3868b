#pragma once

#include <QJsonObject>
#include <QString>
#include <QTextStream>

// Everything a command of tunebench-cli prints as its result, its progress
// and its failure goes through here, so that one call gives both forms: the
// human texts as they always were, or with --json one JSON object a line on
// standard output (JSON Lines), each with its "type".
class TCliOutput {
public:
    TCliOutput(QTextStream& out, QTextStream& err, bool json) : m_out(out), m_err(err), m_json(json) {}

    [[nodiscard]] bool Json() const { return m_json; }

    // A result. human: what standard output shows without --json, line ends included.
    void Result(const QString& type, const QJsonObject& fields, const QString& human);
    // How far a command got, 0 to 100. human: the line standard error shows without --json.
    void Progress(int percent, const QString& human, const QJsonObject& fields = {});
    // Text for a terminal only (a line that changes while it is shown); nothing with --json.
    void Transient(const QString& text);
    // The failure that ends a command: {"type":"error","exit":N,"message":"..."} with --json;
    // nothing without, where standard error has said it.
    void Failure(int exit, const QString& message);

private:
    void Write(const QString& type, const QJsonObject& fields);

    QTextStream& m_out;
    QTextStream& m_err;
    bool m_json;
};
