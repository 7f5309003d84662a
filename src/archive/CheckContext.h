// What the archive knows around an inquiry that is checked before it is signed, and `quillon check`.
#pragma once

#include "archive/Archive.h"

#include "transcript/InquiryCheck.h"

#include <QStringList>

namespace archive {

// The other inquiries of the day from the index, with the officers their templates name, and the
// recordings and captures linked to the inquiry with the times they run.
class ArchiveCheckContext final : public check::ContextSource {
public:
    explicit ArchiveCheckContext(Archive& archive) : m_archive(archive) {}

    check::Context contextOf(const QString& inquiry, const QDate& day) override;

private:
    Archive& m_archive;
};

// When a recording or capture runs: a capture from the start its name holds for the length its header
// gives; a recording for the length of its samples up to its last write. Invalid when unknown.
check::Evidence evidenceOf(const QString& path, FileKind kind);

// "check TEMPLATE.ini...": one line per problem, file, 栏目 and problem tab-separated, on standard
// output; 0 when no template has one, 1 when any has or cannot be read, 2 on a usage error. Needs the
// application object.
int checkCommand(const QStringList& arguments);

} // namespace archive
