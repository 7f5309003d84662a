// The capture source that the video capture binds to at start-up.
#pragma once

#include <QString>

namespace videosource {

// QUILLON_VIDEO_SOURCE (a gst-launch description of the source) when set; else v4l2src on the first
// video capture device; empty when the machine has none.
QString description();

// The first /dev/videoN (in number order) that captures video, or empty text. Metadata and output
// nodes that UVC cameras add beside the capture node are skipped.
QString firstCaptureDevice();

} // namespace videosource
