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
