// SHA-256 through OpenSSL, whose SHA instructions hash an hour's recording (57.6 MB) in a few tens
// of milliseconds, where Qt's portable code takes seconds.
#include "Fingerprint.h"

#include <QFile>
#include <QFileInfo>

#include <openssl/evp.h>

#include <cerrno>
#include <memory>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

namespace fingerprint {

namespace {

struct DigestDeleter {
    void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
};

} // namespace

QString sidecarPath(const QString& path)
{
    return path + QStringLiteral(".sha256");
}

QByteArray sha256Hex(const QString& path, durable::Result* result)
{
    return sha256Hex(QFile::encodeName(path), result);
}

QByteArray sha256Hex(const QByteArray& encodedPath, durable::Result* result)
{
    const auto failed = [result](int error) {
        if (result)
            *result = durable::Result::failed(error);
        return QByteArray();
    };
    const int fd = ::open(encodedPath.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return failed(errno);
    const std::unique_ptr<EVP_MD_CTX, DigestDeleter> context(EVP_MD_CTX_new());
    if (!context || EVP_DigestInit_ex(context.get(), EVP_sha256(), nullptr) != 1) {
        ::close(fd);
        return failed(ENOMEM);
    }
    std::vector<unsigned char> buffer(1 << 20);
    for (;;) {
        const ssize_t n = ::read(fd, buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            const int error = errno;
            ::close(fd);
            return failed(error);
        }
        if (n == 0)
            break;
        EVP_DigestUpdate(context.get(), buffer.data(), size_t(n));
    }
    ::close(fd);
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_DigestFinal_ex(context.get(), digest, &length);
    if (result)
        *result = {};
    return QByteArray(reinterpret_cast<const char*>(digest), int(length)).toHex();
}

QByteArray sidecarLine(const QByteArray& hex, const QString& fileName)
{
    QByteArray name = QFile::encodeName(fileName);
    if (!name.contains('\\') && !name.contains('\n') && !name.contains('\r'))
        return hex + "  " + name + '\n';
    name.replace("\\", "\\\\").replace("\n", "\\n").replace("\r", "\\r");
    return '\\' + hex + "  " + name + '\n';
}

durable::Result write(const QString& path)
{
    durable::Result result;
    const QByteArray hex = sha256Hex(path, &result);
    if (result)
        result = durable::writeFile(sidecarPath(path), sidecarLine(hex, QFileInfo(path).fileName()));
    // A sidecar that no longer matches its file would call it changed, so a failed write takes the
    // old one away; one its owner made read-only is left as the owner wanted.
    if (!result && result.cause != durable::Cause::ReadOnlyFile)
        QFile::remove(sidecarPath(path));
    return result;
}

QString failureText(const QString& path, const durable::Result& result)
{
    return QStringLiteral("指纹文件 <%1> 没有写成：%2").arg(sidecarPath(path), result.text());
}

} // namespace fingerprint
