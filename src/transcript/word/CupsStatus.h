// The outcome of the last print job handed to CUPS in this thread. Qt's print engine sends the job
// when painting ends but does not say whether the scheduler took it; libcups, loaded by that
// engine, still holds the answer.
#pragma once

#include <QString>

#include <optional>

namespace word {

// The scheduler's refusal of the last request, if libcups is present and refused it.
std::optional<QString> lastCupsRefusal();

} // namespace word
