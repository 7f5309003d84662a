// The handlers of "笔录档案" (文件 menu, Ctrl+F) and of the archive window: the list and its search,
// the chosen inquiry's files and custody entries, and 打开, 预览, 打印, 校验, 导出 and the links of
// its evidence; in the scope 全局 the same commands act on the office's archive (OfficeScope).
#pragma once

#include <QString>

class ArchiveWindow;
class MainWindow;
struct Services;

namespace archive {
class Archive;
class InquiryTableModel;
struct OfficeScope;
} // namespace archive
namespace transcript {
class FormRecovery;
class WordEngine;
} // namespace transcript

// Shows the window with the search box ready, lists what the index holds and has BL/ read again
// for what changed behind the program's back.
void ShowArchiveWindow(ArchiveWindow& aw, archive::Archive& a, archive::InquiryTableModel& rows,
                       archive::OfficeScope& office);
// The inquiries the search box and the date range find, newest first unless sorted otherwise; the
// chosen one stays chosen. Nothing while the window is hidden.
void ListInquiries(ArchiveWindow& aw, archive::Archive& a, archive::InquiryTableModel& rows,
                   archive::OfficeScope& office);
// The chosen inquiry's files and custody entries, and the commands it allows.
void ShowChosenInquiry(ArchiveWindow& aw, archive::Archive& a, archive::OfficeScope& office);
// A note of the archive (index rebuilt, not written) in the main window's status message box and in
// the archive window's status line.
void ShowArchiveNote(MainWindow& w, ArchiveWindow& aw, const QString& text);

// 打开: the chosen inquiry into the form as "打开(笔录模板)" loads a template, asking first when the
// form holds unsaved work; a template that cannot be read is refused with its problem. An office
// inquiry's template is fetched first, as are the files 预览, 打印, 校验 and 导出 need.
void OpenChosenInquiry(MainWindow& w, ArchiveWindow& aw, Services& s, archive::Archive& a,
                       const transcript::FormRecovery& recovery, archive::OfficeScope& office);
// 预览 and 打印: the chosen inquiry's document.
void PreviewChosenInquiry(MainWindow& w, ArchiveWindow& aw, Services& s, transcript::WordEngine& engine,
                          archive::OfficeScope& office);
void PrintChosenInquiry(MainWindow& w, ArchiveWindow& aw, Services& s, transcript::WordEngine& engine,
                        archive::OfficeScope& office);
// 校验: every file of the chosen inquiry against its fingerprint, each result shown and logged.
void CheckChosenInquiry(ArchiveWindow& aw, Services& s, archive::Archive& a, archive::OfficeScope& office);
// 导出: the hand-over bundle of the chosen inquiry, with progress and 取消导出 (Esc) while it runs; its
// success is the status message of the main window too.
void ExportChosenInquiry(MainWindow& w, ArchiveWindow& aw, Services& s, archive::Archive& a,
                         transcript::WordEngine& engine, archive::OfficeScope& office);
// 关联证据… and 取消关联: a recording or capture linked to the chosen inquiry by hand, or unlinked.
void LinkEvidence(ArchiveWindow& aw, Services& s, archive::Archive& a);
void UnlinkEvidence(ArchiveWindow& aw, Services& s, archive::Archive& a);
