// Finds the capture source: the environment override or the first V4L2 capture device.
#include "recording/VideoSource.h"

#include <QDir>
#include <QRegularExpression>

#include <algorithm>

#ifdef __linux__
#include <fcntl.h>
#include <linux/videodev2.h>
#include <sys/ioctl.h>
#include <unistd.h>
#endif

namespace videosource {

namespace {

#ifdef __linux__
bool capturesVideo(const QString& path) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    v4l2_capability cap{};
    const bool queried = ::ioctl(fd, VIDIOC_QUERYCAP, &cap) == 0;
    ::close(fd);
    if (!queried)
        return false;
    const quint32 caps = (cap.capabilities & V4L2_CAP_DEVICE_CAPS) ? cap.device_caps : cap.capabilities;
    return (caps & (V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_VIDEO_CAPTURE_MPLANE)) != 0;
}
#endif

} // namespace

QString firstCaptureDevice() {
#ifdef __linux__
    static const QRegularExpression node(QStringLiteral("^video(\\d+)$"));
    QList<int> numbers;
    for (const QString& name : QDir(QStringLiteral("/dev")).entryList({QStringLiteral("video*")}, QDir::System)) {
        const auto match = node.match(name);
        if (match.hasMatch())
            numbers.append(match.captured(1).toInt());
    }
    std::sort(numbers.begin(), numbers.end());
    for (const int n : numbers) {
        const QString path = QStringLiteral("/dev/video%1").arg(n);
        if (capturesVideo(path))
            return path;
    }
#endif
    return {};
}

QString description() {
    const QString configured = qEnvironmentVariable("QUILLON_VIDEO_SOURCE").trimmed();
    if (!configured.isEmpty())
        return configured;
    const QString device = firstCaptureDevice();
    if (device.isEmpty())
        return {};
    return QStringLiteral("v4l2src device=\"%1\"").arg(device);
}

} // namespace videosource
