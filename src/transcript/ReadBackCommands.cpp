// The read-back's handlers: the form compared with the saved document, the record beside the
// template kept up with the form, and the page "更正记录" kept once printed.
#include "transcript/ReadBackCommands.h"

#include "transcript/FormBinding.h"
#include "transcript/InquiryCheck.h"
#include "transcript/TemplateFile.h"
#include "transcript/TranscriptCommands.h"
#include "transcript/word/DocReader.h"
#include "transcript/word/Printing.h"

#include "platform/ArchiveJournal.h"
#include "platform/Clock.h"
#include "platform/DateTimeText.h"
#include "platform/Dialogs.h"
#include "platform/Fingerprint.h"
#include "platform/Services.h"
#include "platform/SettingKeys.h"
#include "platform/Settings.h"
#include "ui/FormState.h"
#include "ui/MainWindow.h"

#include <QFileInfo>

using namespace transcript;

namespace {

const QString kCaption = QStringLiteral("宣读核对：");
// What the user does to read back the transcript as it is.
const QString kWhatToDo = QStringLiteral("请先点“保存(笔录及模板)”，向被询问人宣读保存的笔录，再点“核对完毕(宣读)”。");

record::TranscriptRecord cleanForm(MainWindow& w) {
    record::TranscriptRecord r = readForm(w);
    cleanFields(r);
    return r;
}

QStringList paragraphTexts(const word::Document& document) {
    QStringList texts;
    for (const word::Paragraph& paragraph : document.paragraphs)
        texts << paragraph.text();
    return texts;
}

std::function<QString(const QString&)> footerLines(const QString& programDir) {
    return [programDir](const QString& key) {
        return ReadSetting(programDir, QLatin1String(setting::kFooterSection), key);
    };
}

// Why the saved document and template are not what the form holds; empty when they are.
QString mismatch(const QString& programDir, const record::TranscriptRecord& r) {
    const QString doc = documentPath(programDir, r);
    const QString ini = templatePath(programDir, r);
    if (!QFileInfo::exists(doc) || !QFileInfo::exists(ini))
        return QStringLiteral(" 这份笔录还没有保存成WORD文件 <%1> ，无法记下宣读核对。%2 ").arg(doc, kWhatToDo);
    QString error;
    const std::optional<word::Document> saved = word::readDocumentFile(doc, &error);
    if (!saved)
        return QStringLiteral(" 无法读取已保存的WORD文件 <%1> ：%2 宣读核对没有记下。 ").arg(doc, error);
    if (paragraphTexts(*saved) != paragraphTexts(composedText(r, footerLines(programDir)).document) ||
        readTemplate(ini).values != r.values)
        return QStringLiteral(" 表格中的笔录在保存后又有改动，与已保存的WORD文件 <%1> 不一致，宣读核对没有记下。%2 ")
            .arg(doc, kWhatToDo);
    return {};
}

void tellFailure(Services& s, ReadBackState& state, const QString& path, const durable::Result& result) {
    if (state.toldFailure == result.cause)
        return;
    state.toldFailure = result.cause;
    s.dialogs.message(kCaption,
                      QStringLiteral(" 宣读后的更正没有记下：无法写入文件 <%1> ：%2 ").arg(path, result.text()));
}

} // namespace

namespace transcript {

std::optional<CorrectionPage> correctionPageFor(const ReadBackState& state, const record::TranscriptRecord& form,
                                                const CommandEnv& env) {
    if (state.inquiry.isEmpty() || !state.record.readBack || state.record.corrections.isEmpty())
        return std::nullopt;
    // The places come from the same composition and layout as the pages printed with it.
    const QList<readback::Placed> placed =
        readback::placeCorrections(state.record.corrections, composedText(form, env.footerLine));
    return CorrectionPage{readback::correctionPage(state.inquiry, *state.record.readBack, placed),
                          readback::correctionText(state.inquiry, *state.record.readBack, placed)};
}

void KeepCorrectionPage(Services& s, const ReadBackState& state, const CorrectionPage& page) {
    const QString pdf = readback::pagePath(s.programDir, state.inquiry);
    const QString text = readback::textPath(s.programDir, state.inquiry);
    QString error;
    if (!word::printDocument(page.page, {QString(), pdf}, &error)) {
        s.dialogs.message(kCaption, QStringLiteral(" 更正记录已打印，但它的PDF没有保存：%1 ").arg(error));
        return;
    }
    if (const durable::Result written = durable::writeFile(text, page.text.toUtf8()); !written) {
        s.dialogs.message(kCaption,
                          QStringLiteral(" 更正记录已打印，但无法写入文件 <%1> ：%2 ").arg(text, written.text()));
        return;
    }
    s.journal.record({JournalEvent::Kind::CorrectionsPrinted, state.inquiry, {pdf, text}});
}

} // namespace transcript

void ReadBackDone(MainWindow& w, Services& s, FormState& form, ReadBackState& state) {
    // What was changed after an earlier read-back belongs to it.
    NoteCorrections(w, s, state);
    const record::TranscriptRecord r = cleanForm(w);
    if (const Outcome refused = checkNameParts(r); !refused.ok) {
        s.dialogs.message(refused.caption, refused.text);
        return;
    }
    if (const QString why = mismatch(s.programDir, r); !why.isEmpty()) {
        s.dialogs.message(kCaption, why);
        return;
    }
    const QString inquiry = baseName(r);
    const QString doc = documentPath(s.programDir, r);
    durable::Result read;
    const QString sha256 = QString::fromLatin1(fingerprint::sha256Hex(doc, &read));
    if (!read) {
        s.dialogs.message(
            kCaption, QStringLiteral(" 无法读取已保存的WORD文件 <%1> ：%2 宣读核对没有记下。 ").arg(doc, read.text()));
        return;
    }
    const readback::ReadBack readBack{s.clock.now(), QFileInfo(doc).fileName(), sha256, r};
    const QString path = readback::recordPath(s.programDir, inquiry);
    if (const durable::Result written = readback::appendLines(path, readback::readBackLine(readBack)); !written) {
        s.dialogs.message(kCaption,
                          QStringLiteral(" 宣读核对没有记下：无法写入文件 <%1> ：%2 ").arg(path, written.text()));
        return;
    }
    state.inquiry = inquiry;
    state.record = {readBack, {}};
    state.toldFailure = durable::Cause::None;
    // The custody entry names the document with its SHA-256 as the log reads it now.
    s.journal.record({JournalEvent::Kind::ReadBack, inquiry, {doc, path}});
    form.status = QStringLiteral("宣读核对已记下（%1，笔录文件 SHA-256 %2…），此后的改动都记入更正记录 ")
                      .arg(datetimetext::full(readBack.time), sha256.left(16));
}

void NoteCorrections(MainWindow& w, Services& s, ReadBackState& state) {
    if (state.inquiry.isEmpty() || !state.record.readBack)
        return;
    const QList<readback::Correction> found =
        readback::correctionsBetween(state.record.current(), cleanForm(w), s.clock.now());
    if (found.isEmpty())
        return;
    QByteArray lines;
    for (const readback::Correction& correction : found)
        lines += readback::correctionLine(correction);
    const QString path = readback::recordPath(s.programDir, state.inquiry);
    if (const durable::Result written = readback::appendLines(path, lines); !written) {
        tellFailure(s, state, path, written);
        return;
    }
    state.toldFailure = durable::Cause::None;
    state.record.corrections << found;
    for (const readback::Correction& c : found)
        s.journal.record({JournalEvent::Kind::Corrected,
                          state.inquiry,
                          {path},
                          {{QStringLiteral("field"), readback::fieldLabel(c.field)},
                           {QStringLiteral("before"), c.before},
                           {QStringLiteral("after"), c.after}}});
}

void FollowReadBack(MainWindow& w, Services& s, ReadBackState& state) {
    const record::TranscriptRecord r = cleanForm(w);
    // A form that holds what the record knows was not replaced (an open cancelled): it goes on.
    if (!state.inquiry.isEmpty() && state.record.readBack && state.record.current().values == r.values)
        return;
    const QString inquiry = baseName(r);
    const QString path = readback::recordPath(s.programDir, inquiry);
    durable::Result read;
    readback::Record found = readback::readRecord(path, &read);
    if (!read)
        s.dialogs.message(kCaption, QStringLiteral(" 无法读取宣读核对记录 <%1> ：%2 ").arg(path, read.text()));
    state = {};
    if (found.readBack) {
        state.inquiry = inquiry;
        state.record = std::move(found);
    }
}

void ForgetReadBack(ReadBackState& state) {
    state = {};
}

void CarryReadBack(MainWindow& w, Services& s, ReadBackState& state) {
    if (state.inquiry.isEmpty())
        return;
    const QString inquiry = baseName(cleanForm(w));
    if (inquiry == state.inquiry || !QFileInfo::exists(templatePath(s.programDir, cleanForm(w))))
        return;
    const QString from = readback::recordPath(s.programDir, state.inquiry);
    const QString to = readback::recordPath(s.programDir, inquiry);
    if (const durable::Result copied = durable::copyFile(from, to); !copied) {
        s.dialogs.message(
            kCaption, QStringLiteral(" 宣读核对记录没有随笔录改名：无法写入文件 <%1> ：%2 ").arg(to, copied.text()));
        return;
    }
    state.inquiry = inquiry;
}

bool AwaitsReadBack(MainWindow& w, const ReadBackState& state) {
    return state.inquiry.isEmpty() && check::holdsInquiry(readForm(w));
}
