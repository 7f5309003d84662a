// Tip texts in the order they are attached.
#include "BalloonTips.h"

#include "help/FixedTexts.h"
#include "ui/MainWindow.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

void attachBalloonTips(MainWindow& w) {
    const QList<QPair<QWidget*, QString>> tips = {
        {w.按钮3, QStringLiteral("关闭文件界面.")},
        {w.按钮2, QStringLiteral("返回笔录第一窗口界面.")},
        {w.按钮1, QStringLiteral("返回笔录第二窗口界面.")},
        {w.按钮5, QStringLiteral("对于案件内情及详细情况的备注记录，用于以后读档查询案件前因后果。备注不参与打印，"
                                 "只保存在对应案件的模板中。")},
        {w.按钮录音, QStringLiteral("开始进行录音...")},
        {w.按钮继续, QStringLiteral("继续进行录音...")},
        {w.按钮暂停, QStringLiteral("暂时停止录音...")},
        {w.按钮播放, QStringLiteral("播放音频文件...")},
        {w.暂停, QStringLiteral("停止播放音频文件...")},
        {w.编辑框23, QStringLiteral("输入要上传或下载的笔录文件的名称，不用输入扩展名...")},
        {w.编辑框20, QStringLiteral("输入FTP服务器的ip地址，比如 xxx.xxx.xxx.xxx")},
        {w.编辑框21, QStringLiteral("添写登陆FTP服务器的帐号")},
        {w.编辑框22, QStringLiteral("添写登陆FTP服务器的密码")},
        {w.图片框1, help::conductText()},
    };
    for (const auto& [control, text] : tips)
        control->setToolTip(text);
}
