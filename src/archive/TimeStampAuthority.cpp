// Requests, tokens and their checks through OpenSSL's own TS functions; the request goes by
// httpPost.
#include "archive/TimeStampAuthority.h"

#include "archive/HttpPost.h"
#include "archive/Locations.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRandomGenerator>
#include <QTextStream>
#include <QTimeZone>

#include <openssl/err.h>
#include <openssl/ts.h>
#include <openssl/x509.h>

#include <cstdio>
#include <memory>

namespace archive::timestamps {

namespace {

constexpr int kTimeoutSeconds = 20;
constexpr qint64 kAtMostEverySeconds = 60;

template <typename T, void (*Free)(T*)> struct Freer {
    void operator()(T* p) const { Free(p); }
};
using Request = std::unique_ptr<TS_REQ, Freer<TS_REQ, TS_REQ_free>>;
using Response = std::unique_ptr<TS_RESP, Freer<TS_RESP, TS_RESP_free>>;
using VerifyContext = std::unique_ptr<TS_VERIFY_CTX, Freer<TS_VERIFY_CTX, TS_VERIFY_CTX_free>>;

// OpenSSL's own words for what failed last.
QString openSslError() {
    const unsigned long code = ERR_get_error();
    ERR_clear_error();
    if (code == 0)
        return QStringLiteral("原因不明");
    char text[256];
    ERR_error_string_n(code, text, sizeof text);
    return QString::fromUtf8(text);
}

Request requestFor(const QByteArray& digest) {
    Request request(TS_REQ_new());
    TS_MSG_IMPRINT* imprint = TS_MSG_IMPRINT_new();
    X509_ALGOR* algorithm = X509_ALGOR_new();
    ASN1_INTEGER* nonce = ASN1_INTEGER_new();
    const bool made =
        request && imprint && algorithm && nonce && TS_REQ_set_version(request.get(), 1) &&
        X509_ALGOR_set0(algorithm, OBJ_nid2obj(NID_sha256), V_ASN1_NULL, nullptr) &&
        TS_MSG_IMPRINT_set_algo(imprint, algorithm) &&
        TS_MSG_IMPRINT_set_msg(imprint, reinterpret_cast<unsigned char*>(const_cast<char*>(digest.data())),
                               int(digest.size())) &&
        TS_REQ_set_msg_imprint(request.get(), imprint) &&
        ASN1_INTEGER_set_uint64(nonce, QRandomGenerator::system()->generate64()) &&
        TS_REQ_set_nonce(request.get(), nonce) && TS_REQ_set_cert_req(request.get(), 1);
    TS_MSG_IMPRINT_free(imprint);
    X509_ALGOR_free(algorithm);
    ASN1_INTEGER_free(nonce);
    if (!made)
        request.reset();
    return request;
}

// The CA's certificates as a store for a check; nothing when the file cannot be read, with why.
X509_STORE* storeOf(const QString& caFile, QString* error) {
    X509_STORE* store = X509_STORE_new();
    if (store && X509_STORE_load_file(store, QFile::encodeName(caFile).constData()) == 1)
        return store;
    X509_STORE_free(store);
    *error = QStringLiteral("时间戳服务的 CA 证书 <%1> 无法读取（%2）").arg(caFile, openSslError());
    return nullptr;
}

// The token's signature and imprint checked: the digest it stamps, when the check holds.
bool check(TS_RESP* response, const QByteArray& digest, const QString& caFile, TS_VERIFY_CTX* fromRequest,
           QString* error) {
    VerifyContext owned(fromRequest ? nullptr : TS_VERIFY_CTX_new());
    TS_VERIFY_CTX* context = fromRequest ? fromRequest : owned.get();
    X509_STORE* store = storeOf(caFile, error);
    if (!context || !store) {
        X509_STORE_free(store);
        return false;
    }
    TS_VERIFY_CTX_set_store(context, store);
    if (fromRequest) {
        TS_VERIFY_CTX_add_flags(context, TS_VFY_SIGNATURE);
    } else {
        auto* copy = static_cast<unsigned char*>(OPENSSL_memdup(digest.constData(), size_t(digest.size())));
        TS_VERIFY_CTX_set_flags(context, TS_VFY_VERSION | TS_VFY_SIGNATURE | TS_VFY_IMPRINT);
        TS_VERIFY_CTX_set_imprint(context, copy, long(digest.size()));
    }
    if (TS_RESP_verify_response(context, response) == 1)
        return true;
    *error = QStringLiteral("签名或指纹不符（%1）").arg(openSslError());
    return false;
}

Response responseOf(const QByteArray& der) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(der.constData());
    return Response(d2i_TS_RESP(nullptr, &bytes, long(der.size())));
}

// The digest a token stamps, and when, as the authority says.
QByteArray stampedDigest(TS_RESP* response, QString* time) {
    TS_TST_INFO* info = TS_RESP_get_tst_info(response);
    if (!info)
        return {};
    const ASN1_OCTET_STRING* digest = TS_MSG_IMPRINT_get_msg(TS_TST_INFO_get_msg_imprint(info));
    tm when{};
    if (ASN1_TIME_to_tm(TS_TST_INFO_get_time(info), &when) == 1) {
        const QDateTime utc(QDate(when.tm_year + 1900, when.tm_mon + 1, when.tm_mday),
                            QTime(when.tm_hour, when.tm_min, when.tm_sec), QTimeZone::utc());
        const QDateTime local = utc.toLocalTime();
        *time = local.toOffsetFromUtc(local.offsetFromUtc()).toString(Qt::ISODate);
    }
    return QByteArray(reinterpret_cast<const char*>(ASN1_STRING_get0_data(digest)), ASN1_STRING_length(digest));
}

} // namespace

SendResult sendPending(const QString& programDir, bool evenWithinAMinute) {
    const Setting s = setting(programDir);
    QFile pending(pendingPath(programDir));
    if (!s.configured() || !pending.open(QIODevice::ReadOnly))
        return {};
    const QByteArray head = pending.readAll().trimmed();
    pending.close();
    const QByteArray digest = QByteArray::fromHex(head);
    if (digest.size() != 32)
        return {Sent::Failed, QStringLiteral("<%1> 不是链头的指纹").arg(pending.fileName())};
    if (!evenWithinAMinute) {
        const QFileInfoList tokens =
            QDir(tokenDir(programDir)).entryInfoList({QStringLiteral("*.tsr")}, QDir::Files, QDir::Time);
        if (!tokens.isEmpty() &&
            tokens.first().lastModified().secsTo(QDateTime::currentDateTime()) < kAtMostEverySeconds)
            return {Sent::NotYet, QStringLiteral("一分钟内已取过可信时间戳，稍后再取")};
    }
    QString error;
    const QByteArray token = stampNow(s, digest, &error);
    if (token.isEmpty())
        return {Sent::Failed, error};
    if (!keepFile(tokenPath(programDir, QString::fromLatin1(head)), token, &error))
        return {Sent::Failed, error};
    // A newer head queued meanwhile waits for its own token.
    if (pending.open(QIODevice::ReadOnly) && pending.readAll().trimmed() == head) {
        pending.close();
        pending.remove();
    }
    return {Sent::Stamped, QStringLiteral("已取得可信时间戳：%1").arg(QString::fromLatin1(head))};
}

QByteArray stampNow(const Setting& s, const QByteArray& digest, QString* error) {
    if (s.caFile.isEmpty()) {
        *error = QStringLiteral("set.ini 的 [archive] 节没有 tsa-ca（时间戳服务的 CA 证书）");
        return {};
    }
    const Request request = requestFor(digest);
    unsigned char* der = nullptr;
    const int length = request ? i2d_TS_REQ(request.get(), &der) : -1;
    if (length <= 0) {
        *error = QStringLiteral("时间戳请求无法生成（%1）").arg(openSslError());
        return {};
    }
    const QByteArray body(reinterpret_cast<const char*>(der), length);
    OPENSSL_free(der);
    const HttpAnswer answer = httpPost(s.url, "application/timestamp-query", body, kTimeoutSeconds);
    if (answer.status != 200) {
        *error = answer.status == 0 ? answer.error : QStringLiteral("时间戳服务回答 HTTP %1").arg(answer.status);
        return {};
    }
    const Response response = responseOf(answer.body);
    VerifyContext context(TS_REQ_to_TS_VERIFY_CTX(request.get(), nullptr));
    if (!response || !context || !check(response.get(), digest, s.caFile, context.get(), error)) {
        *error = QStringLiteral("时间戳服务的回答不能用：%1").arg(response ? *error : openSslError());
        return {};
    }
    return answer.body;
}

bool checkToken(const QByteArray& token, const QByteArray& digest, const QString& caFile, QString* time,
                QString* error) {
    const Response response = responseOf(token);
    if (!response || stampedDigest(response.get(), time).isEmpty()) {
        *error = QStringLiteral("不是时间戳");
        return false;
    }
    return check(response.get(), digest, caFile, nullptr, error);
}

std::optional<WitnessReport> witness(const QString& programDir, const QList<ChainLine>& chain) {
    const Setting s = setting(programDir);
    const QFileInfoList tokens =
        QDir(tokenDir(programDir)).entryInfoList({QStringLiteral("*.tsr")}, QDir::Files, QDir::Name);
    if (!s.configured() && tokens.isEmpty())
        return std::nullopt;
    WitnessReport report{QStringLiteral("可信时间戳"),
                         QStringLiteral("%1 个时间戳，%2").arg(tokens.size()).arg(tokenDir(programDir)),
                         true,
                         0,
                         {},
                         {}};
    QHash<QString, int> lineOf;
    for (const ChainLine& line : chain)
        lineOf.insert(line.sha256, line.number);
    for (const QFileInfo& file : tokens) {
        QFile token(file.filePath());
        const Response response = token.open(QIODevice::ReadOnly) ? responseOf(token.readAll()) : Response();
        QString time;
        const QByteArray digest = response ? stampedDigest(response.get(), &time) : QByteArray();
        if (digest.isEmpty()) {
            report.problems << QStringLiteral("<%1> 不是时间戳").arg(file.filePath());
            continue;
        }
        QString error;
        if (s.caFile.isEmpty())
            error = QStringLiteral("set.ini 的 [archive] 节没有 tsa-ca，签名无从检查");
        else if (check(response.get(), digest, s.caFile, nullptr, &error))
            error.clear();
        if (!error.isEmpty()) {
            report.problems << QStringLiteral("<%1>：%2").arg(file.filePath(), error);
            continue;
        }
        const QString head = QString::fromLatin1(digest.toHex());
        const int line = lineOf.value(head);
        if (line == 0) {
            report.problems
                << QStringLiteral("%1 的时间戳证明的那一行已不在日志中：它和它之前的记录有被改动或删除的").arg(time);
        } else if (line > report.upToLine) {
            report.upToLine = line;
            report.upToTime = time;
        }
    }
    if (QFileInfo::exists(pendingPath(programDir)))
        report.consulted += QStringLiteral("；最新的链头还在排队等候时间戳（quillon log stamp 立即去取）");
    return report;
}

int stampCommand(const QString& programDir) {
    QTextStream out(stdout);
    QTextStream err(stderr);
    if (!setting(programDir).configured()) {
        err << QStringLiteral("没有设置时间戳服务：set.ini 的 [archive] 节没有 tsa 一项。") << Qt::endl;
        return 1;
    }
    const SendResult result = sendPending(programDir, true);
    switch (result.sent) {
    case Sent::Nothing:
        out << QStringLiteral("没有等候时间戳的链头。") << Qt::endl;
        return 0;
    case Sent::Stamped:
        out << result.text << Qt::endl;
        return 0;
    case Sent::NotYet:
    case Sent::Failed:
        break;
    }
    err << QStringLiteral("可信时间戳没有取得：%1（链头仍在排队）").arg(result.text) << Qt::endl;
    return 1;
}

} // namespace archive::timestamps
