// SHA-256 through OpenSSL, whose SHA instructions hash an hour's recording (57.6 MB) in a few tens
// of milliseconds, where Qt's portable code takes seconds.
#include "Fingerprint.h"

#include <QFile>
#include <QFileInfo>
#include <QTextStream>

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

// sha256sum's escape: a line that starts with a backslash holds a name with "\\" for a backslash
// and "\n" for a line feed.
QByteArray unescapedName(const QByteArray& name) {
    QByteArray out;
    for (qsizetype i = 0; i < name.size(); ++i) {
        if (name[i] == '\\' && i + 1 < name.size()) {
            ++i;
            out += name[i] == 'n' ? '\n' : name[i];
        } else {
            out += name[i];
        }
    }
    return out;
}

// The digest the sidecar records for the file name, or empty when it names no such file.
QByteArray recordedDigest(const QByteArray& sidecar, const QByteArray& fileName) {
    for (QByteArray line : sidecar.split('\n')) {
        if (line.endsWith('\r'))
            line.chop(1);
        const bool escaped = line.startsWith('\\');
        if (escaped)
            line.remove(0, 1);
        // "<64 hex digits> <space or *><name>"
        if (line.size() < 66 || line[64] != ' ' || (line[65] != ' ' && line[65] != '*'))
            continue;
        const QByteArray name = line.mid(66);
        if ((escaped ? unescapedName(name) : name) == fileName)
            return line.left(64).toLower();
    }
    return {};
}

} // namespace

QString sidecarPath(const QString& path) {
    return path + QStringLiteral(".sha256");
}

QByteArray sha256Hex(const QString& path, durable::Result* result, const std::function<bool(qint64)>& going) {
    const auto failed = [result](int error) {
        if (result)
            *result = durable::Result::failed(error);
        return QByteArray();
    };
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
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
        if (going && !going(n)) {
            ::close(fd);
            return failed(ECANCELED);
        }
    }
    ::close(fd);
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_DigestFinal_ex(context.get(), digest, &length);
    if (result)
        *result = {};
    return QByteArray(reinterpret_cast<const char*>(digest), int(length)).toHex();
}

QByteArray sidecarLine(const QByteArray& hex, const QString& fileName) {
    QByteArray name = QFile::encodeName(fileName);
    if (!name.contains('\\') && !name.contains('\n'))
        return hex + "  " + name + '\n';
    name.replace("\\", "\\\\").replace("\n", "\\n");
    return '\\' + hex + "  " + name + '\n';
}

durable::Result write(const QString& path) {
    durable::Result result;
    const QByteArray hex = sha256Hex(path, &result);
    if (result)
        result = durable::writeFile(sidecarPath(path), sidecarLine(hex, QFileInfo(path).fileName()));
    if (!result)
        QFile::remove(sidecarPath(path));
    return result;
}

QString failureText(const QString& path, const durable::Result& result) {
    return QStringLiteral("指纹文件 <%1> 没有写成：%2").arg(sidecarPath(path), result.text());
}

QByteArray recorded(const QString& path) {
    QFile sidecar(sidecarPath(path));
    if (!sidecar.open(QIODevice::ReadOnly))
        return {};
    return recordedDigest(sidecar.readAll(), QFile::encodeName(QFileInfo(path).fileName()));
}

Check check(const QString& path) {
    const QByteArray recorded = fingerprint::recorded(path);
    if (recorded.isEmpty())
        return Check::NoFingerprint;
    durable::Result read;
    const QByteArray actual = sha256Hex(path, &read);
    if (!read)
        return Check::Unreadable;
    return actual == recorded ? Check::Ok : Check::Changed;
}

int verifyCommand(const QStringList& files) {
    QTextStream out(stdout);
    if (files.isEmpty()) {
        QTextStream(stderr) << QStringLiteral("用法：quillon verify FILE...\n"
                                              "  按 FILE.sha256 指纹文件核对每个文件，全部一致时返回 0\n");
        return 2;
    }
    bool allOk = true;
    for (const QString& file : files) {
        const Check result = check(file);
        allOk = allOk && result == Check::Ok;
        switch (result) {
        case Check::Ok:
            out << file << QStringLiteral(": OK\n");
            break;
        case Check::Changed:
            out << file << QStringLiteral(": FAILED (内容与指纹不符)\n");
            break;
        case Check::NoFingerprint:
            out << file << QStringLiteral(": FAILED (没有指纹：%1)\n").arg(sidecarPath(file));
            break;
        case Check::Unreadable:
            out << file << QStringLiteral(": FAILED (文件无法读取)\n");
            break;
        }
    }
    return allOk ? 0 : 1;
}

} // namespace fingerprint
