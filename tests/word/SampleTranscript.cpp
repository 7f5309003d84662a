// The transcript-shaped test document.
#include "SampleTranscript.h"

#include <QStringList>

namespace word::sample {

namespace {

void plain(DocumentWriter& w, const QString& text) {
    w.setUnderline(false);
    w.type(text);
}

void underlined(DocumentWriter& w, const QString& text) {
    w.setUnderline(true);
    w.type(text);
}

// The signature lines; the page after them begins with a page break.
void footer(DocumentWriter& w, bool lastLineEnds) {
    w.setUnderline(false);
    w.type("  " + kFooterLine1 + "\r\n");
    w.type("  " + kFooterLine2 + (lastLineEnds ? "\r\n" : ""));
    w.setUnderline(true);
    if (lastLineEnds)
        w.setPageBreakBefore(true);
}

} // namespace

QString question(int pair) {
    return QStringLiteral("问：第%1个问题，请说明当天的情况？").arg(pair);
}

QString answer(int pair) {
    return QStringLiteral("答：这是第%1个回答。").arg(pair);
}

void typeTranscript(DocumentWriter& w, int pairs) {
    w.setAlignment(Alignment::Centre);
    w.setSize(22);
    w.setBold(true);
    w.setLineSpacing(3 * 312);
    w.type(QStringLiteral("vodir询问笔录\r\n\r\n"));
    w.setBold(false);
    w.setSize(14);
    w.setAlignment(Alignment::Left);
    w.setLineSpacing(2 * 312);
    w.setRightTab(11906 - 1361 - 1134);

    plain(w, QStringLiteral("笔录起至时间："));
    const QStringList time{"2012", "11", "30", "9", "5"};
    const QStringList units{"年", "月", "日", "时", "分  至  "};
    for (int i = 0; i < time.size(); ++i) {
        underlined(w, "  " + time[i]);
        plain(w, units[i]);
    }
    underlined(w, QStringLiteral("  11"));
    plain(w, QStringLiteral("时"));
    underlined(w, QStringLiteral("  30"));
    plain(w, QStringLiteral("分\r\n"));
    plain(w, QStringLiteral("笔录地点："));
    underlined(w, QStringLiteral("劳动监察大队第二办公室") + "\t\r\n");
    plain(w, QStringLiteral("被询问人姓名："));
    underlined(w, QStringLiteral(" 张三 "));
    plain(w, QStringLiteral(" 性别："));
    underlined(w, QStringLiteral(" 男 "));
    plain(w, QStringLiteral(" 户籍所在地："));
    underlined(w, QStringLiteral("河北省石家庄市") + "\t\r\n");
    plain(w, QStringLiteral("身份证件种类："));
    underlined(w, QStringLiteral(" 居民身份证 "));
    plain(w, QStringLiteral(" 号码："));
    underlined(w, QStringLiteral("130102198001011234"));
    plain(w, QStringLiteral("  年龄："));
    underlined(w, QStringLiteral("32") + "\t\r\n");
    plain(w, QStringLiteral("工作单位："));
    underlined(w, QStringLiteral("某某建筑公司"));
    plain(w, QStringLiteral("   职务："));
    underlined(w, QStringLiteral("经理"));
    plain(w, QStringLiteral("   文化程度："));
    underlined(w, QStringLiteral("大专") + "\t\r\n");
    plain(w, QStringLiteral("电话："));
    underlined(w, QStringLiteral("0311-12345678"));
    plain(w, QStringLiteral("   住址："));
    underlined(w, QStringLiteral("石家庄市中山路1号") + "\t\r\n");
    plain(w, QStringLiteral("询问人姓名："));
    underlined(w, QStringLiteral("  李四  "));
    plain(w, QStringLiteral(" 其他参加人："));
    underlined(w, QStringLiteral("  王五  "));
    plain(w, QStringLiteral(" 记录人："));
    underlined(w, QStringLiteral("  赵六") + "\t\r\n\r\n");

    plain(w, QStringLiteral("笔 录 内 容：\r\n"));
    w.setUnderline(true);
    int counter = 0;
    for (int n = 1; n <= 24; ++n) {
        if (n <= pairs) {
            counter += 2;
            w.type(question(n) + "\t\r\n");
            w.setPageBreakBefore(false);
            w.type(answer(n) + "\t\r\n");
        }
        if ((n >= 4 && n <= 6 && counter == 8) || (n >= 12 && n <= 18 && counter == 20) ||
            (n >= 21 && n <= 23 && counter == 20)) {
            footer(w, !(n >= 12 && n <= 18 && pairs <= n));
            counter = 0;
        }
    }
    if (counter == 0)
        return;
    if (counter < 20) {
        w.setUnderline(true);
        QString filler;
        for (int i = 0; i < 20 - counter; ++i)
            filler += QStringLiteral("\u00A0\t\r\n");
        w.type(filler);
    }
    w.setUnderline(false);
    w.type("  " + kFooterLine1 + "\r\n");
    w.type("  " + kFooterLine2);
}

} // namespace word::sample
