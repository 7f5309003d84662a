// What the archive window's commands act on: the scope chosen in 组合框范围, this desktop's archive
// (LocalScope) or the office's archive on its server (OfficeScope). The handlers ask the scope and
// never which one it is; ChangeScope (Scopes.h) alone chooses.
#pragma once

#include "archive/Export.h"
#include "archive/Index.h"

#include <QString>

#include <functional>

class ArchiveWindow;
struct Services;

namespace archive {

class InquiryTableModel;

// How a bundle is put together once its files are at hand: its PDF painted by the first, the bundle
// written by the second.
using BundleGather = std::function<BundleResult(const PdfMaker& pdf, const BundleWriter& write)>;

class Scope {
public:
    virtual ~Scope() = default;

    // The inquiries the search box and the date range find, newest first unless sorted otherwise;
    // the chosen one stays chosen.
    virtual void list(ArchiveWindow& aw, InquiryTableModel& rows) = 0;
    // The chosen inquiry's files and custody lines, and the commands it allows.
    virtual void showChosen(ArchiveWindow& aw) = 0;
    // The chosen inquiry's template or document where it can be read, then then() with its path; one
    // that is missing, cannot be read or could not be fetched is said instead.
    virtual void withFile(ArchiveWindow& aw, Services& s, const QString& inquiry, FileKind kind,
                          std::function<void(const QString& path)> then) = 0;
    // The chosen inquiry's recording or capture of that stored name where it can be read, then then()
    // with its path and kind; one that is missing or could not be fetched is said instead.
    virtual void withEvidence(ArchiveWindow& aw, Services& s, const QString& inquiry, const QString& name,
                              std::function<void(const QString& path, FileKind kind)> then) = 0;
    // The archive window's status once the inquiry was opened into the form.
    virtual QString openedText(const QString& inquiry) const = 0;
    // 校验: every file of the chosen inquiry against its fingerprint, each result shown and logged.
    virtual void check(ArchiveWindow& aw, Services& s, const QString& inquiry) = 0;
    // 导出: the files of the chosen inquiry's bundle gathered for target, then then() with why the
    // evidence left out is missing and how the bundle is put together.
    virtual void gatherBundle(ArchiveWindow& aw, Services& s, const QString& inquiry, const QString& target,
                              std::function<void(const QString& missingWhy, const BundleGather& gather)> then) = 0;
};

} // namespace archive
