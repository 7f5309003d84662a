// The office archive's commands: `quillon sync` and `quillon archive --office [WORD...]`.
#pragma once

#include <QString>
#include <QStringList>

namespace office {

// Pushes what waits in the outbox and says how many inquiries went out and how many wait: 0 when
// nothing is left, 1 when the server could not be reached or refused something, with the cause.
int syncCommand(const QString& programDir);

// Prints the office's inquiries holding every word, as `quillon archive` prints the local ones.
int officeSearchCommand(const QString& programDir, const QStringList& words);

} // namespace office
