// Typing into the document model.
#include "Document.h"

namespace word {

QString Paragraph::text() const {
    QString result;
    for (const Run& run : runs)
        result += run.text;
    return result;
}

QString Document::plainText() const {
    QStringList lines;
    for (const Paragraph& paragraph : paragraphs)
        lines << paragraph.text();
    return lines.join(u'\n');
}

QString transcriptFooter() {
    return QStringLiteral("共      页第     页");
}

Document blankDocument() {
    Document document;
    document.footer = transcriptFooter();
    return document;
}

namespace {

void insertRun(Paragraph& paragraph, qsizetype& at, const QString& text, const CharFormat& format) {
    if (text.isEmpty())
        return;
    if (at > 0 && paragraph.runs[at - 1].format == format) {
        paragraph.runs[at - 1].text += text;
        return;
    }
    paragraph.runs.insert(at, Run{text, format});
    ++at;
}

void breakParagraph(Document& document, Caret& caret, const CharFormat& format) {
    Paragraph& current = document.paragraphs[caret.paragraph];
    Paragraph head = current;
    head.mark = format;
    head.runs = current.runs.mid(0, caret.run);
    current.runs.remove(0, caret.run);
    document.paragraphs.insert(caret.paragraph, head);
    ++caret.paragraph;
    caret.run = 0;
}

} // namespace

void typeText(Document& document, Caret& caret, const QString& text, const CharFormat& format) {
    QString pending;
    auto flush = [&] {
        Paragraph& paragraph = document.paragraphs[caret.paragraph];
        insertRun(paragraph, caret.run, pending, format);
        // Typing at the end of a paragraph formats its mark too, as a word processor does.
        if (!pending.isEmpty() && caret.run == paragraph.runs.size())
            paragraph.mark = format;
        pending.clear();
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'\r' || c == u'\n') {
            if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
                ++i;
            flush();
            breakParagraph(document, caret, format);
        } else if (c == u'\t' || c.unicode() >= 0x20) {
            pending += c;
        }
    }
    flush();
}

} // namespace word
