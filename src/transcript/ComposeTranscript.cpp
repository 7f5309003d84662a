// ComposeTranscript: the runs and formats of the transcript document, and its page ends where the
// page layout puts them.
#include "transcript/ComposeTranscript.h"

#include "transcript/FieldNames.h"
#include "transcript/TemplateFile.h"
#include "transcript/word/Document.h"
#include "transcript/word/DocumentWriter.h"
#include "transcript/word/PageLayout.h"

#include "platform/Gbk.h"
#include "platform/ProgramDir.h"
#include "platform/SettingKeys.h"

#include <QFile>

namespace transcript {

namespace {

const QString kCrLf = QStringLiteral("\r\n");
// An underlined tab reaches the right-aligned tab stop at the margin: the underline ends there in
// every word processor, where trailing spaces of a full line could wrap into a line of their own.
const QString kToMargin = QStringLiteral("\t");

// A body line with its underline to the margin. A line with nothing visible before the tab gets a
// no-break space too: some word processors give a line of blanks only a fraction of its exact
// height.
QString toMargin(const QString& text) {
    return text + (text.trimmed().isEmpty() ? QStringLiteral("\u00A0") + kToMargin : kToMargin);
}

// Types the runs of the document and follows where the page layout will put them, so that the two
// signature lines close every page however many printed lines the questions and answers take. Every
// line has an exact height and every page after the first begins with a page break, so that any word
// processor keeps the pages as they are laid out here.
class Typist {
public:
    Typist(word::DocumentWriter& writer, const CompositionInput& in)
        : m_writer(writer), m_in(in), m_shadow(word::blankDocument()), m_pageHeight(word::bodyHeight(m_shadow)) {
        // The writer starts typing in the format found at the start of the working copy.
        const word::Paragraph& first = m_shadow.paragraphs.first();
        m_format = first.runs.isEmpty() ? first.mark : first.runs.first().format;
    }

    void plain(const QString& text) {
        setUnderline(false);
        type(text);
    }
    void underlined(const QString& text) {
        setUnderline(true);
        type(text);
    }

    void title() {
        setAlignment(word::Alignment::Centre);
        setSize(22);
        setBold(true);
        setLineSpacing(int(word::gridLineHeight(m_format, m_shadow.page)));
        type(QStringLiteral("vodir询问笔录\r\n\r\n"));
        setBold(false);
        setSize(14);
        setAlignment(word::Alignment::Left);
        setLineSpacing(int(word::gridLineHeight(m_format, m_shadow.page)));
        setRightTab(int(word::bodyWidth(m_shadow.page)));
    }

    void particulars(const record::TranscriptRecord& r) {
        plain(QStringLiteral("笔录起至时间："));
        mark(field::Year, 2);
        underlined("  " + r[field::Year]);
        plain(QStringLiteral("年"));
        mark(field::Month, 2);
        underlined("  " + r[field::Month]);
        plain(QStringLiteral("月"));
        mark(field::Day, 2);
        underlined("  " + r[field::Day]);
        plain(QStringLiteral("日"));
        mark(field::StartHour, 2);
        underlined("  " + r[field::StartHour]);
        plain(QStringLiteral("时"));
        mark(field::StartMinute, 2);
        underlined("  " + r[field::StartMinute]);
        plain(timeSeparator(r[field::Month], r[field::Day]));
        mark(field::EndHour, 2);
        underlined("  " + r[field::EndHour]);
        plain(QStringLiteral("时"));
        mark(field::EndMinute, 2);
        underlined("  " + r[field::EndMinute]);
        plain(QStringLiteral("分") + kCrLf);

        plain(QStringLiteral("笔录地点："));
        mark(field::Place);
        mark(field::PlaceDetail, r[field::Place].size());
        underlined(r[field::Place] + r[field::PlaceDetail] + kToMargin + kCrLf);

        plain(QStringLiteral("被询问人姓名："));
        mark(field::IntervieweeName, 1);
        underlined(' ' + r[field::IntervieweeName] + ' ');
        plain(QStringLiteral(" 性别："));
        mark(field::Sex, 1);
        underlined(' ' + r[field::Sex] + ' ');
        plain(QStringLiteral(" 户籍所在地："));
        mark(field::Domicile);
        mark(field::DomicileDetail, r[field::Domicile].size());
        underlined(r[field::Domicile] + r[field::DomicileDetail] + kToMargin + kCrLf);

        plain(QStringLiteral("身份证件种类："));
        mark(field::IdentityDocument, 1);
        underlined(' ' + r[field::IdentityDocument] + ' ');
        plain(QStringLiteral(" 号码："));
        mark(field::IdentityNumber);
        underlined(r[field::IdentityNumber]);
        plain(QStringLiteral("  年龄："));
        mark(field::Age);
        underlined(r[field::Age] + kToMargin + kCrLf);

        plain(QStringLiteral("工作单位："));
        mark(field::WorkUnit);
        underlined(r[field::WorkUnit]);
        plain(QStringLiteral("   职务："));
        mark(field::Position);
        underlined(r[field::Position]);
        plain(QStringLiteral("   文化程度："));
        mark(field::Education);
        underlined(r[field::Education] + kToMargin + kCrLf);

        plain(QStringLiteral("电话："));
        mark(field::Telephone);
        underlined(r[field::Telephone]);
        plain(QStringLiteral("   住址："));
        mark(field::Address);
        underlined(r[field::Address] + kToMargin + kCrLf);

        plain(QStringLiteral("询问人姓名："));
        mark(field::InspectorName, 2);
        underlined("  " + r[field::InspectorName] + "  ");
        plain(QStringLiteral(" 其他参加人："));
        mark(field::OtherParticipants, 2);
        underlined("  " + r[field::OtherParticipants] + "  ");
        plain(QStringLiteral(" 记录人："));
        mark(field::Recorder, 2);
        underlined("  " + r[field::Recorder] + kToMargin + kCrLf + kCrLf);
    }

    // The filled pairs in order, each question and answer whole; a pair that does not fit on the
    // rest of a page moves to the next one when it fits there, else it runs on at a line boundary.
    // Every page ends with the signature lines, the last one after filler lines.
    void body(const record::TranscriptRecord& r) {
        plain(QStringLiteral("笔 录 内 容：") + kCrLf);
        setUnderline(true);
        bool typed = false;
        for (int pair = 1; pair <= record::kPairs; ++pair) {
            const QString& question = r[record::question(pair).key];
            if (question.isEmpty())
                continue;
            typePair(toMargin(question), toMargin(r[record::answer(pair).key]), record::question(pair).key,
                     record::answer(pair).key);
            typed = true;
        }
        if (typed)
            endPage(false);
    }

    // Where each field's text begins in the document typed so far.
    const QList<FieldStart>& fieldStarts() const { return m_starts; }
    const word::Document& typed() const { return m_shadow; }

private:
    // The field's text begins after skip more characters at the insertion point.
    void mark(record::Key key, qsizetype skip = 0) {
        const word::Paragraph& paragraph = m_shadow.paragraphs[m_caret.paragraph];
        qsizetype offset = skip;
        for (qsizetype run = 0; run < m_caret.run && run < paragraph.runs.size(); ++run)
            offset += paragraph.runs[run].text.size();
        m_starts << FieldStart{key, m_caret.paragraph, offset};
    }

    void setBold(bool on) {
        m_writer.setBold(on);
        m_format.bold = on;
    }
    void setSize(int points) {
        m_writer.setSize(points);
        m_format.halfPoints = points * 2;
    }
    void setUnderline(bool on) {
        m_writer.setUnderline(on);
        m_format.underline = on;
    }
    void setAlignment(word::Alignment alignment) {
        m_writer.setAlignment(alignment);
        m_shadow.paragraphs[m_caret.paragraph].alignment = alignment;
    }
    void setLineSpacing(int twips) {
        m_writer.setLineSpacing(twips);
        m_shadow.paragraphs[m_caret.paragraph].lineSpacing = twips;
    }
    void setRightTab(int twips) {
        m_writer.setRightTab(twips);
        m_shadow.paragraphs[m_caret.paragraph].rightTab = twips;
    }
    void setPageBreakBefore(bool on) {
        m_writer.setPageBreakBefore(on);
        m_shadow.paragraphs[m_caret.paragraph].pageBreakBefore = on;
    }

    // Types into the writer and into the shadow copy, and places the paragraphs this finished. The
    // page break set for a page's first paragraph is not kept by the paragraphs after it.
    void type(const QString& text) {
        m_writer.type(text);
        word::typeText(m_shadow, m_caret, text, m_format);
        if (m_shadow.paragraphs[m_caret.paragraph].pageBreakBefore && m_placed < m_caret.paragraph)
            setPageBreakBefore(false);
        for (; m_placed < m_caret.paragraph; ++m_placed)
            for (const word::LineExtent& line : word::measureParagraph(m_shadow.paragraphs[m_placed], m_shadow.page))
                m_y = topOfNext(line.height) + line.height;
    }

    // Where the layout puts a line of this height: below the last one, or on top of a new page.
    qreal topOfNext(qreal height) const { return m_y > 0 && m_y + height > m_pageHeight + 0.5 ? 0 : m_y; }

    // Where the next body line goes: below the body lines of this page, else where the layout puts
    // a line of its height.
    qreal bodyTop(qreal height) const { return m_bodyOnPage ? m_y : topOfNext(height); }

    // Whether body lines of this total height, the first of them as given, fit above the signature
    // lines.
    bool fits(qreal height, qreal first) const {
        return bodyTop(first) + height + m_footerHeight <= m_pageHeight + 0.5;
    }

    // The lines a paragraph of this text takes in the current format.
    QList<word::LineExtent> measure(const QString& text) const {
        word::Paragraph paragraph = m_shadow.paragraphs[m_caret.paragraph];
        paragraph.runs = {word::Run{text, m_format}};
        paragraph.mark = m_format;
        return word::measureParagraph(paragraph, m_shadow.page);
    }

    static qreal total(const QList<word::LineExtent>& lines) {
        qreal height = 0;
        for (const word::LineExtent& line : lines)
            height += line.height;
        return height;
    }

    void typePair(const QString& question, const QString& answer, record::Key questionKey, record::Key answerKey) {
        if (!m_footerRead)
            startPage();
        const QList<word::LineExtent> q = measure(question);
        const QList<word::LineExtent> a = measure(answer);
        const qreal first = q.first().height;
        // A question never closes a page without the first line of its answer, also on the first
        // page, where long particulars can leave room for the question alone.
        const bool questionAlone = !fits(total(q) + a.first().height, first);
        if (m_bodyOnPage) {
            const qreal pair = total(q) + total(a);
            const bool fitsAPage = pair + m_footerHeight <= m_pageHeight + 0.5;
            if (!fits(pair, first) && (fitsAPage || questionAlone))
                endPage(true);
        } else if (!m_bodyStarted && bodyTop(first) > 0 && questionAlone) {
            endPage(true);
        }
        typeLines(question, q, questionKey);
        typeLines(answer, a, answerKey);
    }

    // Types a paragraph, ending pages at line boundaries where it does not fit.
    void typeLines(const QString& text, const QList<word::LineExtent>& lines, record::Key key) {
        qsizetype from = 0;
        while (from < lines.size()) {
            if (!m_footerRead)
                startPage();
            qsizetype count = 0;
            qreal height = 0;
            while (from + count < lines.size() && fits(height + lines[from + count].height, lines[from].height))
                height += lines[from + count++].height;
            // A page that cannot take a single line is closed, if it holds body lines or it is the
            // first page below the particulars; a line higher than a whole page goes on one anyway.
            if (count == 0 && (m_bodyOnPage || (!m_bodyStarted && bodyTop(lines[from].height) > 0))) {
                endPage(true);
                continue;
            }
            count = std::max<qsizetype>(count, 1);
            const qsizetype begin = lines[from].start;
            if (from == 0)
                mark(key);
            if (from + count == lines.size()) {
                type(text.mid(begin) + kCrLf);
            } else {
                type(toMargin(text.mid(begin, lines[from + count].start - begin)) + kCrLf);
            }
            m_bodyOnPage = true;
            m_bodyStarted = true;
            from += count;
            if (from < lines.size())
                endPage(true);
        }
    }

    // The signature lines of a page are read afresh when the page gets its first body line.
    void startPage() {
        m_hang1 = "  " + m_in.footerLine(QLatin1String(setting::FooterLine1.key));
        m_hang2 = "  " + m_in.footerLine(QLatin1String(setting::FooterLine2.key));
        m_footerHeight = total(measure(m_hang1)) + total(measure(m_hang2));
        m_footerRead = true;
    }

    // Fills the page with underlined filler lines and closes it with the signature lines; the last
    // page's second signature line ends the document without a line end, the others are followed by
    // a page break.
    void endPage(bool more) {
        if (!m_footerRead)
            startPage();
        const QString fillerLine = toMargin(QString());
        const qreal fillerHeight = total(measure(fillerLine));
        QString filler;
        for (qreal height = fillerHeight; m_y + height + m_footerHeight <= m_pageHeight + 0.5; height += fillerHeight)
            filler += fillerLine + kCrLf;
        if (!filler.isEmpty())
            underlined(filler);
        plain(m_hang1 + kCrLf);
        type(m_hang2 + (more ? kCrLf : QString()));
        if (more) {
            setUnderline(true);
            setPageBreakBefore(true);
            m_y = 0;
        }
        m_bodyOnPage = false;
        m_footerRead = false;
        m_footerHeight = 0;
    }

    word::DocumentWriter& m_writer;
    const CompositionInput& m_in;
    // What the writer holds, for measuring: the blank working copy with everything typed into it.
    word::Document m_shadow;
    word::Caret m_caret;
    word::CharFormat m_format;
    const qreal m_pageHeight;
    // Paragraphs placed on pages so far, and the height taken on the current page.
    qsizetype m_placed = 0;
    qreal m_y = 0;
    // Body lines have been typed, the current page holds some; its signature lines and their height.
    bool m_bodyStarted = false;
    bool m_bodyOnPage = false;
    bool m_footerRead = false;
    QString m_hang1;
    QString m_hang2;
    qreal m_footerHeight = 0;
    QList<FieldStart> m_starts;
};

// A writer that keeps nothing: the typist's own copy is the document.
class NoWriter final : public word::DocumentWriter {
public:
    bool start() override { return true; }
    bool connect() override { return true; }
    bool open(const QString&) override { return true; }
    void hide() override {}
    void setBold(bool) override {}
    void setSize(int) override {}
    void setUnderline(bool) override {}
    void setAlignment(word::Alignment) override {}
    void setLineSpacing(int) override {}
    void setRightTab(int) override {}
    void setPageBreakBefore(bool) override {}
    void type(const QString&) override {}
    bool saveAs(const QString&) override { return false; }
    bool print(const word::PrintTarget&) override { return false; }
    void close() override {}
    void quit() override {}
    QString lastError() const override { return {}; }
};

// The working copy goes through the durable write path; one that already holds the blank document
// is left alone, which spares a save two syncs and the room of a second copy on a full disk.
durable::Result writeWorkingCopy(const QString& path, const QByteArray& blank) {
    QFile existing(path);
    if (existing.open(QIODevice::ReadOnly) && existing.size() == blank.size() && existing.readAll() == blank)
        return {};
    return durable::writeFile(path, blank);
}

} // namespace

QString timeSeparator(const QString& month, const QString& day) {
    const int twoByte = (gbk::byteLength(month) == 2 ? 1 : 0) + (gbk::byteLength(day) == 2 ? 1 : 0);
    switch (twoByte) {
    case 2:
        return QStringLiteral("分  至  ");
    case 1:
        return QStringLiteral("分   至  ");
    default:
        return QStringLiteral("分   至   ");
    }
}

ComposedText composedText(record::TranscriptRecord r, const std::function<QString(const QString& key)>& footerLine) {
    cleanFields(r);
    NoWriter writer;
    const CompositionInput in{QString(), QByteArray(), footerLine};
    Typist typist(writer, in);
    typist.title();
    typist.particulars(r);
    typist.body(r);
    return {typist.typed(), typist.fieldStarts()};
}

Outcome ComposeTranscript(word::DocumentWriter& writer, record::TranscriptRecord& r, const CompositionInput& in,
                          TemplateSave& templateSave) {
    cleanFields(r);
    Outcome refusal = checkNameParts(r);
    if (!refusal.ok)
        return refusal;

    const QString bl = programdir::blDir(in.programDir);
    if (const durable::Result made = durable::makeFolder(bl); !made)
        return Outcome::failure(QStringLiteral("提 示："),
                                QStringLiteral(" 无法建立笔录目录 <%1/> （%2），笔录没有保存。 ").arg(bl, made.text()));

    const QString workingCopy = bl + QStringLiteral("/Doc.doc");
    if (const durable::Result written = writeWorkingCopy(workingCopy, in.blankDocument); !written)
        return Outcome::failure(QStringLiteral("提 示："),
                                QStringLiteral(" 无法写入笔录工作文件 <%1> ：%2 ").arg(workingCopy, written.text()));
    if (!writer.start() || !writer.connect() || !writer.open(workingCopy))
        return Outcome::failure(QStringLiteral("提 示："),
                                QStringLiteral(" 笔录WORD文档无法生成：%1 ").arg(writer.lastError()));
    writer.hide();
    Typist typist(writer, in);
    typist.title();
    typist.particulars(r);
    typist.body(r);
    return templateSave.prepare(templatePath(in.programDir, r), r);
}

} // namespace transcript
