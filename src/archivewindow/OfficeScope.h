// The archive window's 全局 scope: the office's archive searched on its server as the user types,
// the chosen inquiry's versions with the chosen version's files and custody lines, and its files
// fetched on demand into office/<inquiry>/<version>/ of the program directory for 打开, 预览, 打印,
// 校验 and 导出. The server is asked on a thread of its own, so the window goes on while it answers.
#pragma once

#include "office/OfficeReader.h"
#include "office/OfficeSearch.h"

#include <functional>
#include <memory>

class ArchiveWindow;
struct Services;

namespace archive {

class Archive;
class InquiryTableModel;

// What the window holds of the office's archive.
struct OfficeScope {
    explicit OfficeScope(QString programDir) : programDir(std::move(programDir)) {}

    QString programDir;
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

// A file of the chosen version where it was fetched to, or why it was not.
struct FetchedFile {
    office::OfficeFile file;
    QString path;
    QString problem; // empty: path holds the file as the server holds it, its fingerprint beside it
};
using FileKinds = QList<FileKind>;

} // namespace archive

// 全局 offered when set.ini names an office archive, else disabled with the reason as its tool tip
// (and 本机 chosen again).
void PrepareScopes(ArchiveWindow& aw, const QString& programDir);
// The scope chosen: the version chooser shown for 全局 only, and the list made anew.
void ChangeScope(ArchiveWindow& aw, archive::Archive& a, archive::InquiryTableModel& rows,
                 archive::OfficeScope& office);
// The search box and the date range run on the server; its rows replace the list when they come.
void ListOfficeInquiries(ArchiveWindow& aw, archive::InquiryTableModel& rows, archive::OfficeScope& office);
// The chosen office inquiry's versions, the latest chosen, with its files and custody lines.
void ShowChosenOfficeInquiry(ArchiveWindow& aw, archive::OfficeScope& office);
// Another version chosen in 组合框版本: its files and custody lines.
void ShowChosenVersion(ArchiveWindow& aw, archive::OfficeScope& office);
// The chosen version's files of those kinds fetched (anew from the server when fresh, else only those
// not fetched before), then then() with each; nothing when the server could not be asked, which is
// said. The inquiry's commands wait meanwhile.
void FetchChosenVersion(ArchiveWindow& aw, Services& s, archive::OfficeScope& office, const archive::FileKinds& kinds,
                        bool fresh, std::function<void(const QList<archive::FetchedFile>&)> then);
// 校验 of an office inquiry: every file of the chosen version fetched anew and checked against the
// fingerprint the server keeps; each result shown and logged.
void CheckOfficeInquiry(ArchiveWindow& aw, Services& s, archive::Archive& a, archive::OfficeScope& office);
