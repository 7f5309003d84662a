// The office archive's commands: `quillon sync`, `quillon archive --office [WORD...]`, and the
// comparison of `quillon log verify` with the server's copy of the custody log.
#pragma once

#include "archive/CustodyLog.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace office {

// "sync", the arguments after the command: pushes what waits in the outbox and says how many
// inquiries went out and how many wait: 0 when nothing is left, 1 when the server could not be
// reached or refused something, with the cause, 2 on a usage error. Needs the application object.
int syncCommand(const QStringList& arguments);

// "archive --office [WORD...]", the arguments after "--office": prints the office's inquiries
// holding every word, as `quillon archive` prints the local ones. Needs the application object.
int officeSearchCommand(const QStringList& words);

// The witness of `quillon log verify` kept on the office archive's server: every pushed line changed,
// missing or moved here since the server received it, or that the server could not be asked;
// nothing when no server is set.
std::optional<archive::WitnessReport> serverWitness(const QString& programDir, const QList<archive::ChainLine>& chain);

} // namespace office
