// ComposeTranscript: the runs and formats of the transcript document, and its page breaks by line count.
#include "transcript/ComposeTranscript.h"

#include "transcript/TemplateFile.h"
#include "transcript/word/DocumentWriter.h"

#include "platform/Gbk.h"
#include "platform/ProgramDir.h"

#include <QDir>
#include <QFile>

#include <cerrno>

#include <sys/stat.h>

namespace transcript {

namespace {

const QString kCrLf = QStringLiteral("\r\n");

QString spaces(int n) {
    return QString(n, ' ');
}

// Types the runs of the document with the line counter of the current page.
class Typist {
public:
    Typist(word::DocumentWriter& writer, const CompositionInput& in) : m_writer(writer), m_in(in) {}

    void plain(const QString& text) {
        m_writer.setUnderline(false);
        m_writer.type(text);
    }
    void underlined(const QString& text) {
        m_writer.setUnderline(true);
        m_writer.type(text);
    }

    void title() {
        m_writer.setAlignment(word::Alignment::Centre);
        m_writer.setSize(22);
        m_writer.setBold(true);
        m_writer.type(QStringLiteral("vodir询问笔录\r\n\r\n"));
        m_writer.setBold(false);
        m_writer.setSize(14);
        m_writer.setAlignment(word::Alignment::Left);
    }

    void particulars(const record::TranscriptRecord& r) {
        plain(QStringLiteral("笔录起至时间："));
        underlined("  " + r["num1"]);
        plain(QStringLiteral("年"));
        underlined("  " + r["num2"]);
        plain(QStringLiteral("月"));
        underlined("  " + r["num3"]);
        plain(QStringLiteral("日"));
        underlined("  " + r["num4"]);
        plain(QStringLiteral("时"));
        underlined("  " + r["num5"]);
        plain(timeSeparator(r["num2"], r["num3"]));
        underlined("  " + r["num6"]);
        plain(QStringLiteral("时"));
        underlined("  " + r["num7"]);
        plain(QStringLiteral("分") + kCrLf);

        plain(QStringLiteral("笔录地点："));
        underlined(r["num8"] + r["num9"] + spaces(33) + kCrLf);

        plain(QStringLiteral("被询问人姓名："));
        underlined(' ' + r["num10"] + ' ');
        plain(QStringLiteral(" 性别："));
        underlined(' ' + r["num11"] + ' ');
        plain(QStringLiteral(" 户籍所在地："));
        underlined(r["num12"] + r["num13"] + spaces(12) + kCrLf);

        plain(QStringLiteral("身份证件种类："));
        underlined(' ' + r["num14"] + ' ');
        plain(QStringLiteral(" 号码："));
        underlined(r["num15"]);
        plain(QStringLiteral("  年龄："));
        underlined(r["num75"] + spaces(22) + kCrLf);

        plain(QStringLiteral("工作单位："));
        underlined(r["num16"]);
        plain(QStringLiteral("   职务："));
        underlined(r["num17"]);
        plain(QStringLiteral("   文化程度："));
        underlined(r["num87"] + spaces(27) + kCrLf);

        plain(QStringLiteral("电话："));
        underlined(r["num18"]);
        plain(QStringLiteral("   住址："));
        underlined(r["num19"] + spaces(80) + kCrLf);

        plain(QStringLiteral("询问人姓名："));
        underlined("  " + r["num20"] + "  ");
        plain(QStringLiteral(" 其他参加人："));
        underlined("  " + r["num21"] + "  ");
        plain(QStringLiteral(" 记录人："));
        underlined("  " + r["num22"] + spaces(17) + kCrLf + kCrLf);
    }

    void body(const record::TranscriptRecord& r) {
        plain(QStringLiteral("笔 录 内 容：") + kCrLf);
        m_writer.setUnderline(true);
        for (int pair = 1; pair <= record::kPairs; ++pair) {
            const QString& question = r[record::question(pair).key];
            if (!question.isEmpty()) {
                m_lines += 2;
                m_writer.type(question + spaces(66) + kCrLf);
                m_writer.type(r[record::answer(pair).key] + spaces(66) + kCrLf);
            }
            pageCheck(pair, r);
        }
    }

private:
    void pageCheck(int pair, const record::TranscriptRecord& r) {
        if (pair >= 4 && pair <= 6 && m_lines == 8)
            footer(true);
        else if (pair >= 12 && pair <= 18 && m_lines == 20)
            footer(contentFollows(pair, r));
        else if (pair >= 21 && pair <= 23 && m_lines == 20)
            footer(true);
        else if (pair == record::kPairs)
            closing();
    }

    // Whether any question or answer line after the pair holds text.
    static bool contentFollows(int pair, const record::TranscriptRecord& r) {
        for (int later = pair + 1; later <= record::kPairs; ++later) {
            if (!r[record::question(later).key].isEmpty() || !r[record::answer(later).key].isEmpty())
                return true;
        }
        return false;
    }

    void footer(bool lineEndAfterSecond) {
        m_writer.setUnderline(false);
        m_writer.type("  " + m_in.footerLine(QStringLiteral("hang1")) + kCrLf);
        m_writer.type("  " + m_in.footerLine(QStringLiteral("hang2")) + (lineEndAfterSecond ? kCrLf : QString()));
        m_writer.setUnderline(true);
        m_lines = 0;
    }

    void closing() {
        if (m_lines == 0)
            return;
        if (m_lines < 20) {
            QString filler;
            for (int i = 0; i < 20 - m_lines; ++i)
                filler += spaces(69) + kCrLf;
            m_writer.setUnderline(true);
            m_writer.type(filler);
            m_lines = 0;
        }
        m_writer.setUnderline(false);
        m_writer.type("  " + m_in.footerLine(QStringLiteral("hang1")) + kCrLf);
        m_writer.type("  " + m_in.footerLine(QStringLiteral("hang2")));
    }

    word::DocumentWriter& m_writer;
    const CompositionInput& m_in;
    int m_lines = 0;
};

durable::Result makeFolder(const QString& path) {
    if (QDir().mkpath(path))
        return {};
    // mkpath keeps its reason to itself: one more try at the last step names it.
    return durable::Result::failed(::mkdir(QFile::encodeName(path).constData(), 0777) == 0 ? 0 : errno);
}

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

Outcome ComposeTranscript(word::DocumentWriter& writer, record::TranscriptRecord& r, const CompositionInput& in,
                          TemplateSave& templateSave) {
    cleanFields(r);
    Outcome refusal = checkNameParts(r);
    if (!refusal.ok)
        return refusal;

    const QString bl = programdir::blDir(in.programDir);
    if (const durable::Result made = makeFolder(bl); !made)
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
