#pragma once
// What an SMTP test server received, read back as another program reads it: Python's email
// package for each message, the envelopes as the server logged them.

#include "support/Python.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

// Python's own reading of a message: headers decoded, the text, each attachment's name,
// type and bytes, and any defect its parser found.
inline const char *kReadBack = R"PY(
import base64, email, json, sys
from email import policy
with open(sys.argv[1], 'rb') as f:
    m = email.message_from_binary_file(f, policy=policy.default)
out = {'subject': str(m['subject']), 'date': str(m['date']), 'id': str(m['message-id']),
       'from': [[a.display_name, a.addr_spec] for a in m['from'].addresses],
       'to': [[a.display_name, a.addr_spec] for a in m['to'].addresses],
       'defects': [type(d).__name__ for p in m.walk() for d in p.defects],
       'text': '', 'attachments': []}
for part in m.walk():
    if part.get_content_maintype() == 'multipart':
        continue
    if part.get_filename() is None and part.get_content_type() == 'text/plain':
        out['text'] = part.get_content()
    else:
        out['attachments'].append({'name': part.get_filename(), 'type': part.get_content_type(),
                                   'data': base64.b64encode(part.get_payload(decode=True)).decode()})
print(json.dumps(out, ensure_ascii=False))
)PY";

inline QJsonObject readBack(const QString &emlPath)
{
    const PythonRun run = runPython(QString::fromUtf8(kReadBack), {emlPath});
    if (!run.ok)
        return {};
    return QJsonDocument::fromJson(run.out.toUtf8()).object();
}

inline QJsonObject readBackBytes(const QByteArray &bytes)
{
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("m.eml")));
    if (!file.open(QIODevice::WriteOnly))
        return {};
    file.write(bytes);
    file.close();
    return readBack(file.fileName());
}

inline QList<QJsonObject> envelopes(const QString &folder)
{
    QFile file(folder + QStringLiteral("/envelopes.jsonl"));
    QList<QJsonObject> out;
    if (!file.open(QIODevice::ReadOnly))
        return out;
    for (const QByteArray &line : file.readAll().split('\n'))
        if (!line.isEmpty())
            out.append(QJsonDocument::fromJson(line).object());
    return out;
}
