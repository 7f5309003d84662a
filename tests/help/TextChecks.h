// Checks shared by the tests of the program's GBK text files.
#pragma once

#include "platform/Gbk.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

namespace textchecks {

// True when every CR is followed by LF and every LF follows a CR.
inline bool onlyCrLfLineEnds(const QByteArray& bytes) {
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\r' && (i + 1 == bytes.size() || bytes[i + 1] != '\n'))
            return false;
        if (bytes[i] == '\n' && (i == 0 || bytes[i - 1] != '\r'))
            return false;
    }
    return true;
}

// True when the bytes are GBK text that decodes and encodes back to the same bytes.
inline bool isCleanGbk(const QByteArray& bytes) {
    const QString text = gbk::decode(bytes);
    return !text.contains(QChar::ReplacementCharacter) && gbk::encode(text) == bytes;
}

inline QStringList lines(const QByteArray& bytes) {
    return gbk::decode(bytes).split(QStringLiteral("\r\n"));
}

// 1 → 一, 10 → 十, 21 → 二十一, 46 → 四十六: the numerals of article and chapter numbers.
inline QString chineseNumber(int n) {
    static const QString digits = QStringLiteral("零一二三四五六七八九");
    if (n < 10)
        return digits.at(n);
    const QString tens = n / 10 == 1 ? QString() : QString(digits.at(n / 10));
    return tens + QStringLiteral("十") + (n % 10 ? QString(digits.at(n % 10)) : QString());
}

} // namespace textchecks
