// The archive window's 全局 scope: the office's archive searched on its server as the user types,
// the chosen inquiry's versions with the chosen version's files and custody lines, and its files
// fetched on demand into office/<inquiry>/<version>/ of the program directory for 打开, 预览, 打印,
// 校验 and 导出. The server is asked on a thread of its own, so the window goes on while it answers.
#pragma once

#include "archivewindow/Scope.h"
#include "office/OfficeReader.h"
#include "office/OfficeSearch.h"

#include <functional>
#include <memory>

namespace archive {

class Archive;

// What the window holds of the office's archive.
struct OfficeScope final : Scope {
    explicit OfficeScope(Archive& archive);

    void list(ArchiveWindow& aw, InquiryTableModel& rows) override;
    void showChosen(ArchiveWindow& aw) override;
    void withFile(ArchiveWindow& aw, Services& s, const QString& inquiry, FileKind kind,
                  std::function<void(const QString& path)> then) override;
    void withEvidence(ArchiveWindow& aw, Services& s, const QString& inquiry, const QString& name,
                      std::function<void(const QString& path, FileKind kind)> then) override;
    QString openedText(const QString& inquiry) const override;
    void check(ArchiveWindow& aw, Services& s, const QString& inquiry) override;
    void gatherBundle(ArchiveWindow& aw, Services& s, const QString& inquiry, const QString& target,
                      std::function<void(const QString& missingWhy, const BundleGather& gather)> then) override;
    // No inquiry chosen, and nothing of one shown.
    void clearChoice(ArchiveWindow& aw);

    // The archive that logs the checks of fetched files.
    Archive& archive;
    QString programDir;
    // Whether 全局 is the window's scope: an answer that comes after it was left is not shown.
    bool chosen = false;
    // Made when 全局 is first chosen; its thread ends before the window goes.
    std::unique_ptr<office::OfficeReader> reader;
    QList<office::OfficeRow> rows;
    // The chosen inquiry, its versions oldest first, and the chosen version's files and custody lines.
    QString unit;
    QString inquiry;
    QList<office::OfficeVersion> versions;
    qint64 version = 0;
    QList<office::OfficeFile> files;
    QList<QByteArray> custody;
    // The last search and the last choice asked: the answer to an earlier one comes too late to show.
    quint64 search = 0;
    quint64 choice = 0;
};

} // namespace archive

// 全局 offered when set.ini names an office archive, else disabled with the reason as its tool tip
// (and 本机 chosen again).
void PrepareScopes(ArchiveWindow& aw, const QString& programDir);
// Another version chosen in 组合框版本: its files and custody lines.
void ShowChosenVersion(ArchiveWindow& aw, archive::OfficeScope& office);
