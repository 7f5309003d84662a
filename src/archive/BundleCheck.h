// The check of a hand-over bundle as a whole, by whoever receives it: every member against the
// manifest and none beside it, the trusted time-stamp of the manifest against the authority's CA,
// and the custody excerpt against the export entry that closes it.
#pragma once

#include <QString>
#include <QStringList>

namespace archive {

struct BundleCheck {
    QStringList problems; // each a line of its own, "NAME: FAILED（…）" for a member
    QStringList proved;   // what holds, in the words of the messages
    QStringList notes;    // what could not be proved, though nothing failed

    bool ok() const { return problems.isEmpty(); }
};

// caFile: the CA of the time-stamp authority; empty when none is known, and a token then cannot be
// checked, which is a problem.
BundleCheck checkBundle(const QString& zipPath, const QString& caFile);

// `quillon verify BUNDLE.zip... [--ca FILE]`: each bundle checked, what was proved printed and what
// could not be; the CA is caOption, or set.ini's tsa-ca without it. 0 when every bundle holds.
int verifyBundleCommand(const QStringList& bundles, const QString& caOption);

} // namespace archive
