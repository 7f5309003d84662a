// The read-back's record beside the template, the corrections found in the form, and the page
// "更正记录" with each correction's place in the printed transcript.
#include "transcript/ReadBack.h"

#include "transcript/InquiryCheck.h"

#include "platform/DateTimeText.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>

namespace readback {

namespace {

const QString kReadBackEvent = QStringLiteral("read-back");
const QString kCorrectionEvent = QStringLiteral("corrected");

QString keyName(record::Key key) {
    return QString::fromLatin1(key.name().data(), qsizetype(key.name().size()));
}

std::optional<record::Key> keyNamed(const QString& name) {
    for (const record::Field& field : record::kFields)
        if (keyName(field.key) == name)
            return field.key;
    return std::nullopt;
}

QString isoTime(const QDateTime& time) {
    return time.toOffsetFromUtc(time.offsetFromUtc()).toString(Qt::ISODate);
}

QByteArray lineOf(const QJsonObject& object) {
    return QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
}

// A run in the page's size; the page uses 12 pt throughout, as the transcript's particulars use 14.
word::Run run(const QString& text, bool underline = false, bool bold = false, int halfPoints = 24) {
    return word::Run{text, word::CharFormat{bold, halfPoints, underline}};
}

word::Paragraph paragraph(const QList<word::Run>& runs, const word::PageSetup& page,
                          word::Alignment alignment = word::Alignment::Left) {
    word::Paragraph p;
    p.runs = runs;
    p.alignment = alignment;
    p.mark = runs.isEmpty() ? word::CharFormat{false, 24, false} : runs.last().format;
    p.lineSpacing = int(word::gridLineHeight(p.mark, page));
    // A line to the margin to sign on ends at this tab stop.
    p.rightTab = int(word::bodyWidth(page));
    return p;
}

} // namespace

record::TranscriptRecord Record::current() const {
    record::TranscriptRecord values = readBack ? readBack->values : record::TranscriptRecord{};
    for (const Correction& correction : corrections)
        values[correction.field] = correction.after;
    return values;
}

Record parseRecord(const QByteArray& content) {
    Record r;
    for (const QByteArray& line : content.split('\n')) {
        const QJsonObject object = QJsonDocument::fromJson(line).object();
        const QString event = object.value(QLatin1String("event")).toString();
        const QDateTime time = QDateTime::fromString(object.value(QLatin1String("time")).toString(), Qt::ISODate);
        if (event == kReadBackEvent) {
            ReadBack readBack{time,
                              object.value(QLatin1String("document")).toString(),
                              object.value(QLatin1String("sha256")).toString(),
                              {}};
            const QJsonObject fields = object.value(QLatin1String("fields")).toObject();
            for (const record::Field& field : record::kFields)
                readBack.values[field.key] = fields.value(keyName(field.key)).toString();
            r.readBack = readBack;
            r.corrections.clear();
        } else if (event == kCorrectionEvent && r.readBack) {
            if (const std::optional<record::Key> key = keyNamed(object.value(QLatin1String("field")).toString()))
                r.corrections << Correction{*key, object.value(QLatin1String("before")).toString(),
                                            object.value(QLatin1String("after")).toString(), time};
        }
    }
    return r;
}

Record readRecord(const QString& path, durable::Result* failed) {
    QFile file(path);
    if (!file.exists())
        return {};
    if (!file.open(QIODevice::ReadOnly)) {
        if (failed)
            *failed = durable::Result{durable::Cause::Unreadable, 0};
        return {};
    }
    return parseRecord(file.readAll());
}

QByteArray readBackLine(const ReadBack& readBack) {
    QJsonObject fields;
    for (const record::Field& field : record::kFields)
        fields.insert(keyName(field.key), readBack.values[field.key]);
    return lineOf({{QStringLiteral("event"), kReadBackEvent},
                   {QStringLiteral("time"), isoTime(readBack.time)},
                   {QStringLiteral("document"), readBack.document},
                   {QStringLiteral("sha256"), readBack.sha256},
                   {QStringLiteral("fields"), fields}});
}

QByteArray correctionLine(const Correction& correction) {
    return lineOf({{QStringLiteral("event"), kCorrectionEvent},
                   {QStringLiteral("time"), isoTime(correction.time)},
                   {QStringLiteral("field"), keyName(correction.field)},
                   {QStringLiteral("label"), fieldLabel(correction.field)},
                   {QStringLiteral("before"), correction.before},
                   {QStringLiteral("after"), correction.after}});
}

durable::Result appendLines(const QString& path, const QByteArray& lines) {
    durable::AppendFile file(path);
    if (durable::Result opened = file.open(); !opened)
        return opened;
    return file.append(lines);
}

QList<Correction> correctionsBetween(const record::TranscriptRecord& before, const record::TranscriptRecord& after,
                                     const QDateTime& time) {
    QList<Correction> corrections;
    for (const record::Field& field : record::kFields)
        if (before[field.key] != after[field.key])
            corrections << Correction{field.key, before[field.key], after[field.key], time};
    return corrections;
}

QString fieldLabel(record::Key field) {
    return check::columnOf(field);
}

QList<Placed> placeCorrections(const QList<Correction>& corrections, const transcript::ComposedText& printed) {
    QList<Placed> placed;
    for (const Correction& correction : corrections) {
        word::PrintedPlace place;
        for (const transcript::FieldStart& start : printed.fields)
            if (start.field == correction.field)
                place = word::placeOf(printed.document, start.paragraph, start.offset);
        placed << Placed{correction, place};
    }
    return placed;
}

QString placeText(const word::PrintedPlace& place) {
    if (place.page == 0)
        return QStringLiteral("笔录正文中没有");
    return QStringLiteral("第%1页第%2行").arg(place.page).arg(place.line);
}

word::Document correctionPage(const QString& inquiry, const ReadBack& readBack, const QList<Placed>& placed) {
    word::Document page = word::blankDocument();
    const word::PageSetup& setup = page.page;
    const QString toMargin = QStringLiteral("\t");
    QList<word::Paragraph> paragraphs;
    paragraphs << paragraph({run(QStringLiteral("更正记录"), false, true, 44)}, setup, word::Alignment::Centre);
    paragraphs << paragraph({run(QStringLiteral("笔录：") + inquiry)}, setup);
    paragraphs << paragraph({run(QStringLiteral("宣读核对：") + datetimetext::full(readBack.time) +
                                 QStringLiteral("  笔录文件：") + readBack.document)},
                            setup);
    paragraphs << paragraph({run(QStringLiteral("宣读时笔录文件的 SHA-256：") + readBack.sha256, false, false, 20)},
                            setup);
    paragraphs << paragraph({run(QStringLiteral("宣读后，经被询问人确认，笔录作了以下更正："))}, setup);
    int n = 0;
    for (const Placed& p : placed) {
        const Correction& c = p.correction;
        paragraphs << paragraph({run(QStringLiteral("%1．%2  %3（%4更正）")
                                         .arg(++n)
                                         .arg(placeText(p.place), fieldLabel(c.field), datetimetext::full(c.time)),
                                     false, true)},
                                setup);
        paragraphs << paragraph(
            {run(QStringLiteral("    原为：")), run(c.before.isEmpty() ? QStringLiteral("（空）") : c.before, true)},
            setup);
        paragraphs << paragraph(
            {run(QStringLiteral("    改为：")), run(c.after.isEmpty() ? QStringLiteral("（删去）") : c.after, true)},
            setup);
        paragraphs << paragraph({run(QStringLiteral("    被询问人确认（签名或捺印）：")), run(toMargin, true)}, setup);
    }
    paragraphs << paragraph({run(QStringLiteral("被询问人签名：")), run(toMargin, true)}, setup);
    paragraphs << paragraph({run(QStringLiteral("询问人签名：")), run(toMargin, true)}, setup);
    paragraphs << paragraph({run(QStringLiteral("日期：")), run(toMargin, true)}, setup);
    page.paragraphs = paragraphs;
    return page;
}

void typeInto(word::DocumentWriter& writer, const word::Document& page) {
    bool first = true;
    for (const word::Paragraph& p : page.paragraphs) {
        writer.type(QStringLiteral("\r\n"));
        writer.setPageBreakBefore(first);
        writer.setAlignment(p.alignment);
        writer.setLineSpacing(p.lineSpacing);
        writer.setRightTab(p.rightTab);
        for (const word::Run& r : p.runs) {
            writer.setBold(r.format.bold);
            writer.setSize(r.format.halfPoints / 2);
            writer.setUnderline(r.format.underline);
            writer.type(r.text);
        }
        first = false;
    }
}

QString correctionText(const QString& inquiry, const ReadBack& readBack, const QList<Placed>& placed) {
    const auto clean = [](QString text) { return text.replace(u'\t', u' ').replace(u'\n', u' ').replace(u'\r', u' '); };
    QString text = QStringLiteral("更正记录\t%1\n").arg(clean(inquiry));
    text +=
        QStringLiteral("宣读核对\t%1\t%2\t%3\n").arg(isoTime(readBack.time), clean(readBack.document), readBack.sha256);
    int n = 0;
    for (const Placed& p : placed)
        text += QStringLiteral("%1\t%2\t%3\t%4\t%5\t%6\n")
                    .arg(++n)
                    .arg(placeText(p.place), fieldLabel(p.correction.field), clean(p.correction.before),
                         clean(p.correction.after), isoTime(p.correction.time));
    return text;
}

} // namespace readback
