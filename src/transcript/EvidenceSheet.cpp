// The evidence sheet's line format.
#include "transcript/EvidenceSheet.h"

#include <QRegularExpression>

namespace sheet {

namespace {

const QString kFileKey = QStringLiteral("file");

QString oneLine(const QString& value) {
    QString line = value;
    for (QChar& c : line)
        if (c == u'\t' || c == u'\n' || c == u'\r')
            c = u' ';
    return line;
}

// The keys of the one-valued facts, with the member each fills.
struct Fact {
    const char* key;
    QString Sheet::*member;
};
constexpr Fact kFacts[] = {
    {"inquiry", &Sheet::inquiry},         {"date", &Sheet::date},         {"unit", &Sheet::unit},
    {"interviewee", &Sheet::interviewee}, {"officers", &Sheet::officers}, {"head", &Sheet::head},
    {"head-time", &Sheet::headTime},
};

// A file's own name: the text of a sheet comes from outside and must not lead out of the folder a
// check looks in.
bool isOwnName(const QString& name) {
    return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..") && !name.contains(u'/') &&
           !name.contains(u'\\') && !name.contains(QChar(0));
}

bool isDigest(const QString& text) {
    static const QRegularExpression hex(QStringLiteral("^[0-9a-f]{64}$"));
    return hex.match(text).hasMatch();
}

} // namespace

QString sheetText(const Sheet& sheet, bool brief) {
    QStringList lines{kFirstLine};
    for (const Fact& fact : kFacts)
        if (!(sheet.*fact.member).isEmpty())
            lines << QLatin1String(fact.key) + u'\t' + oneLine(sheet.*fact.member);
    for (const SheetFile& file : sheet.files) {
        QStringList fields{kFileKey, oneLine(file.kind), oneLine(file.name), file.sha256, QString::number(file.size)};
        if (!brief && (!file.starts.isEmpty() || file.seconds >= 0))
            fields << file.starts << (file.seconds >= 0 ? QString::number(file.seconds) : QString());
        lines << fields.join(u'\t');
    }
    return lines.join(u'\n') + u'\n';
}

std::optional<Sheet> readSheetText(const QString& text) {
    QStringList lines = text.split(u'\n');
    for (QString& line : lines)
        if (line.endsWith(u'\r'))
            line.chop(1);
    if (lines.isEmpty() || lines.first() != kFirstLine)
        return std::nullopt;
    Sheet sheet;
    for (const QString& line : lines.mid(1)) {
        const QStringList fields = line.split(u'\t');
        if (fields.first() == kFileKey) {
            bool sized = false;
            if (fields.size() < 5 || !isDigest(fields[3]) || !isOwnName(fields[2]))
                return std::nullopt;
            SheetFile file{fields[1], fields[2], fields[3], fields[4].toLongLong(&sized)};
            if (!sized || file.size < 0)
                return std::nullopt;
            if (fields.size() >= 7) {
                file.starts = fields[5];
                file.seconds = fields[6].isEmpty() ? -1 : fields[6].toLongLong();
            }
            sheet.files << file;
            continue;
        }
        for (const Fact& fact : kFacts)
            if (fields.size() == 2 && fields.first() == QLatin1String(fact.key))
                sheet.*fact.member = fields[1];
    }
    return sheet;
}

} // namespace sheet
