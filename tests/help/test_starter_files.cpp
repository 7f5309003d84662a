// The starter set.ini and the help file that ship beside the program.
#include "TestServices.h"
#include "TextChecks.h"
#include "platform/IniProfile.h"

#include <gtest/gtest.h>

using namespace textchecks;

namespace {

QString sourceFile(const QString& name) {
    return qEnvironmentVariable("QUILLON_SOURCE_DIR") + QStringLiteral("/resources/") + name;
}

QString builtFile(const QString& name) {
    return qEnvironmentVariable("QUILLON_BINARY_DIR") + QStringLiteral("/") + name;
}

QString setting(const QString& section, const QString& key) {
    return ini::readString(sourceFile(QStringLiteral("set.ini")), section, key);
}

} // namespace

TEST(StarterFiles, ShipBesideTheExecutable) {
    for (const QString name : {"set.ini", "帮助.txt"}) {
        const QByteArray source = readFile(sourceFile(name));
        ASSERT_FALSE(source.isEmpty()) << name.toStdString();
        EXPECT_EQ(readFile(builtFile(name)), source) << name.toStdString();
        EXPECT_TRUE(onlyCrLfLineEnds(source)) << name.toStdString();
        EXPECT_TRUE(isCleanGbk(source)) << name.toStdString();
    }
}

TEST(StarterFiles, SettingsHoldTheDisplaySettingsAndDefaults) {
    EXPECT_FALSE(setting("biaoti", "biaoti1").isEmpty());
    EXPECT_EQ(setting("fengge", "fengge"), QStringLiteral("1"));
    EXPECT_EQ(setting("pop", "tanchu"), QStringLiteral("1"));
    EXPECT_EQ(setting("biludidian", "didian1"), QStringLiteral("Kelmar市"));
    EXPECT_EQ(setting("biludidian", "didian2"), QStringLiteral("吉林省Kelmar市"));
    EXPECT_EQ(setting("close", "control"), QStringLiteral("off"));
    EXPECT_TRUE(setting("close", "url").startsWith(QStringLiteral("https://")));
    for (const char* key : {"hang1", "hang2"})
        EXPECT_TRUE(setting("fenye", key).contains(QStringLiteral("签名"))) << key;
}

TEST(StarterFiles, EveryPresetListIsFull) {
    const auto expectFull = [](const QString& section, const QString& key, int count, const QString& prefix) {
        QStringList values;
        for (int n = 1; n <= count; ++n) {
            const QString value = setting(section, key + QString::number(n));
            EXPECT_FALSE(value.isEmpty()) << qPrintable(section) << " " << qPrintable(key) << n;
            EXPECT_TRUE(value.startsWith(prefix)) << qPrintable(value);
            EXPECT_FALSE(values.contains(value)) << "duplicate preset " << qPrintable(value);
            values << value;
        }
        // Keys beyond the list's length would never be read.
        EXPECT_TRUE(setting(section, key + QString::number(count + 1)).isEmpty()) << qPrintable(section);
    };
    expectFull("Set1", "didian", 25, {});
    expectFull("Set2", "huji", 25, {});
    for (const char* section : {"name1", "name2", "name3"})
        expectFull(section, "name", 10, {});
    for (int n = 1; n <= 24; ++n) {
        expectFull(QStringLiteral("wenti%1").arg(n), "wenti", 10, QStringLiteral("问："));
        expectFull(QStringLiteral("daan%1").arg(n), "daan", 8, QStringLiteral("答："));
    }
}

TEST(StarterFiles, HelpFileExplainsEveryPartOfTheProgram) {
    const QString help = gbk::decode(readFile(sourceFile(QStringLiteral("帮助.txt"))));
    // Every key of the settings file is explained.
    for (const char* key : {"biaoti1", "fengge", "tanchu", "didian1", "didian2", "huji1", "name1", "wenti1", "daan1",
                            "hang1", "hang2", "control", "url", "tixing", "luyin", "gaozhi1", "bofang"})
        EXPECT_TRUE(help.contains(QLatin1String(key))) << key;
    for (const char* topic :
         {"BL", "保存(笔录及模板)", "打开(笔录模板)", "打印(笔录)", "录音", "录像取证", "FTP", "加密", "解密",
          "新建(笔录)", "笔录档案", "custody.log", "核对(笔录)", "核对完毕(宣读)", "更正记录"})
        EXPECT_TRUE(help.contains(QString::fromUtf8(topic))) << topic;
}
