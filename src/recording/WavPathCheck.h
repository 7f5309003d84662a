// The check that a path chosen for playback names a WAV file.
#pragma once

#include <QByteArray>

// Whether the GBK bytes of a path contain "wav" (exact bytes, case-sensitive), searched from the first
// byte with every double-byte character skipped whole, so that a trail byte never starts a match.
bool containsWavMarker(const QByteArray& gbkPath);
