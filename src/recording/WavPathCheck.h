// The check that a path chosen for playback names a WAV file.
#pragma once

#include <QByteArray>

// Whether the GBK bytes of a path contain "wav" in any letter case, searched from the first byte with
// every double-byte character skipped whole, so that a trail byte never starts a match. The save dialog
// appends its default extension "WAV", so a recording saved without a typed extension must pass.
bool containsWavMarker(const QByteArray& gbkPath);
