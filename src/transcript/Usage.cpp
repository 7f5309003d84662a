// The usage text: every command of the command line with its options.
#include "transcript/Usage.h"

#include <QTextStream>

#include <cstdio>

namespace transcript {

namespace {

const QString kUsage =
    QStringLiteral("用法：\n"
                   "  quillon                                   打开程序窗口\n"
                   "  quillon compose TEMPLATE.ini [--out FILE.doc] [--pdf FILE.pdf] [--force]\n"
                   "      按笔录模板生成笔录WORD文档（默认保存在程序目录的 BL 目录中，并重写模板），\n"
                   "      --out 指定文档位置，--pdf 另外输出 PDF，--force 覆盖已存在的文档\n"
                   "  quillon compose TEMPLATE.ini... [--force]\n"
                   "      按每个模板各生成一份笔录WORD文档，每个模板显示一行结果；\n"
                   "      没有 --force 时已存在的文档不覆盖，只显示出来\n"
                   "  quillon print FILE [--printer NAME]\n"
                   "      打印笔录WORD文档(.doc)或文本文件，默认用默认打印机\n"
                   "  quillon verify FILE... | LIST.sha256...\n"
                   "      按 FILE.sha256 指纹文件核对录音、录像、笔录文档和模板，或按指纹列表核对其中的每个文件，\n"
                   "      逐个显示 OK 或 FAILED\n"
                   "  quillon verify BUNDLE.zip... [--ca FILE]\n"
                   "      核对整个移交包：每个文件与清单一致、不缺不多，清单的可信时间戳（按 --ca 或 set.ini\n"
                   "      的 tsa-ca 核对签名）和保管记录摘录；显示证明了什么、没能证明什么\n"
                   "  quillon verify SHEET.txt|- [--in FOLDER]\n"
                   "      按证据校验单二维码的文字核对其中列出的每个文件（大小和 SHA-256），文件在 --in 的\n"
                   "      文件夹里找，没有 --in 时先在文字文件旁边、再在程序目录的 BL 目录里找\n"
                   "  quillon archive [WORD...]\n"
                   "      列出笔录档案中含有每个 WORD 的笔录，新的在前，每行以 Tab 分隔：\n"
                   "      日期、被询问人、工作单位、地点、问答数、文件名；一两个汉字也能找到\n"
                   "  quillon archive --rebuild\n"
                   "      按 BL 目录和保管记录重建笔录档案的索引\n"
                   "  quillon archive --office [WORD...]\n"
                   "      在单位的笔录档案服务器上查找（set.ini 的 [archive] server），输出同上\n"
                   "  quillon sync\n"
                   "      把等待推送的笔录推送到笔录档案服务器，显示推送了几份、还有几份等待\n"
                   "  quillon export TEMPLATE.ini --out FILE.zip\n"
                   "      把一份笔录的文档、模板、PDF、录音、录像、指纹和保管记录导出为移交包，\n"
                   "      解压后可用 sha256sum -c manifest.sha256 核对\n"
                   "  quillon sheet TEMPLATE.ini [--pdf FILE.pdf] [--printer NAME]\n"
                   "      打印一份笔录的证据校验单（文档、模板、录音、录像的指纹，保管记录链头和二维码），\n"
                   "      --pdf 时写成 PDF 文件\n"
                   "  quillon check TEMPLATE.ini...\n"
                   "      签字前核对笔录：身份证号码、时间、执法人员、问答、告知事项、被询问人资料、\n"
                   "      同时段的其他询问和录音录像；每个问题一行，以 Tab 分隔：文件名、栏目、问题\n"
                   "  quillon marks TEMPLATE.ini\n"
                   "      列出一份笔录的时间标记：录音录像时每一问、每一答开始输入的时刻，每行以 Tab 分隔：\n"
                   "      问答、录音或录像文件、在其中的位置（时:分:秒）\n"
                   "  quillon log verify\n"
                   "      核对保管记录 custody.log 的记录链和其中记下的文件指纹\n"
                   "  quillon --help                            显示本说明\n"
                   "  quillon --version                         显示程序版本\n");

} // namespace

QString usage() {
    return kUsage;
}

int usageError(const QString& text) {
    QTextStream err(stderr);
    err << text << "\n\n" << kUsage;
    err.flush();
    return 2;
}

} // namespace transcript
