// SHA-256 through OpenSSL, whose SHA instructions hash an hour's recording (57.6 MB) in a few tens
// of milliseconds, where Qt's portable code takes seconds; and through Qt's code for small files,
// which it hashes before OpenSSL has been loaded and has set itself up.
#include "Fingerprint.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>

#include <openssl/evp.h>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <optional>
#include <type_traits>
#include <vector>

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fingerprint {

namespace {

// Loading OpenSSL and its first digest in a process cost about as long as Qt's code takes for a
// megabyte: the library is mapped and relocated, its configuration and providers set up.
constexpr off_t kSmallFile = 1 << 20;

// OpenSSL's digest functions, loaded when the first large file is hashed, so that the commands that
// hash only templates and documents never load the library. Empty where it cannot be loaded: Qt's
// code then hashes large files too.
struct OpenSsl {
    decltype(&EVP_MD_CTX_new) newContext = nullptr;
    decltype(&EVP_MD_CTX_free) freeContext = nullptr;
    decltype(&EVP_sha256) sha256 = nullptr;
    decltype(&EVP_DigestInit_ex) init = nullptr;
    decltype(&EVP_DigestUpdate) update = nullptr;
    decltype(&EVP_DigestFinal_ex) finish = nullptr;
};

const OpenSsl& openSsl() {
    static const OpenSsl functions = [] {
        void* library = ::dlopen(QUILLON_LIBCRYPTO, RTLD_NOW | RTLD_LOCAL);
        if (!library)
            return OpenSsl{};
        const auto load = [library](auto& function, const char* name) {
            function = reinterpret_cast<std::remove_reference_t<decltype(function)>>(::dlsym(library, name));
            return function != nullptr;
        };
        OpenSsl loaded;
        const bool complete = load(loaded.newContext, "EVP_MD_CTX_new") &&
                              load(loaded.freeContext, "EVP_MD_CTX_free") && load(loaded.sha256, "EVP_sha256") &&
                              load(loaded.init, "EVP_DigestInit_ex") && load(loaded.update, "EVP_DigestUpdate") &&
                              load(loaded.finish, "EVP_DigestFinal_ex");
        return complete ? loaded : OpenSsl{};
    }();
    return functions;
}

struct DigestDeleter {
    void operator()(EVP_MD_CTX* context) const { openSsl().freeContext(context); }
};

// The SHA-256 of a stream, by Qt's code for a small file and by OpenSSL's for a large one.
class Digest {
public:
    explicit Digest(bool large) {
        const OpenSsl* ssl = large ? &openSsl() : nullptr;
        if (!ssl || !ssl->finish) {
            m_small.emplace(QCryptographicHash::Sha256);
            return;
        }
        m_large.reset(ssl->newContext());
        if (m_large && ssl->init(m_large.get(), ssl->sha256(), nullptr) != 1)
            m_large.reset();
    }
    bool ready() const { return m_small || m_large; }
    void add(const unsigned char* data, std::size_t size) {
        if (m_small)
            m_small->addData(QByteArrayView(data, qsizetype(size)));
        else
            openSsl().update(m_large.get(), data, size);
    }
    QByteArray hex() {
        if (m_small)
            return m_small->result().toHex();
        unsigned char digest[EVP_MAX_MD_SIZE];
        unsigned int length = 0;
        openSsl().finish(m_large.get(), digest, &length);
        return QByteArray(reinterpret_cast<const char*>(digest), int(length)).toHex();
    }

private:
    std::optional<QCryptographicHash> m_small;
    std::unique_ptr<EVP_MD_CTX, DigestDeleter> m_large;
};

} // namespace

QString sidecarPath(const QString& path) {
    return path + QStringLiteral(".sha256");
}

QByteArray sha256Hex(const QString& path, durable::Result* result, const std::function<bool(qint64)>& going) {
    return sha256Hex(QFile::encodeName(path), result, going);
}

QByteArray sha256Hex(const QByteArray& encodedPath, durable::Result* result, const std::function<bool(qint64)>& going) {
    const auto failed = [result](int error) {
        if (result)
            *result = durable::Result::failed(error);
        return QByteArray();
    };
    const int fd = ::open(encodedPath.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return failed(errno);
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        const int error = errno;
        ::close(fd);
        return failed(error);
    }
    Digest digest(st.st_size >= kSmallFile);
    if (!digest.ready()) {
        ::close(fd);
        return failed(ENOMEM);
    }
    std::vector<unsigned char> buffer(std::size_t(std::clamp<off_t>(st.st_size + 1, 4096, 1 << 20)));
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
        digest.add(buffer.data(), std::size_t(n));
        if (going && !going(n)) {
            ::close(fd);
            return failed(ECANCELED);
        }
    }
    ::close(fd);
    if (result)
        *result = {};
    return digest.hex();
}

QByteArray sidecarLine(const QByteArray& hex, const QString& fileName) {
    QByteArray name = QFile::encodeName(fileName);
    if (!name.contains('\\') && !name.contains('\n') && !name.contains('\r'))
        return hex + "  " + name + '\n';
    name.replace("\\", "\\\\").replace("\n", "\\n").replace("\r", "\\r");
    return '\\' + hex + "  " + name + '\n';
}

durable::Result write(const QString& path) {
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

QString failureText(const QString& path, const durable::Result& result) {
    return QStringLiteral("指纹文件 <%1> 没有写成：%2").arg(sidecarPath(path), result.text());
}

} // namespace fingerprint
