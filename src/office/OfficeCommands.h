// The office archive's commands: `quillon sync`, `quillon archive --office [WORD...]`, and the
// comparison of `quillon log verify` with the server's copy of the custody log.
#pragma once

#include <QString>
#include <QStringList>

namespace office {

// "sync", the arguments after the command: pushes what waits in the outbox and says how many
// inquiries went out and how many wait: 0 when nothing is left, 1 when the server could not be
// reached or refused something, with the cause, 2 on a usage error. Needs the application object.
int syncCommand(const QStringList& arguments);

// "archive --office [WORD...]", the arguments after "--office": prints the office's inquiries
// holding every word, as `quillon archive` prints the local ones. Needs the application object.
int officeSearchCommand(const QStringList& words);

// With an office archive set: compares the custody log with what the server received of it and
// prints every line changed, missing or moved here since; 0 when all holds or no server is set, 1
// otherwise or when the server could not be asked.
int officeLogVerifyCommand(const QString& programDir);

} // namespace office
