// The archive window's 本机 scope: this desktop's archive, its index searched, its files in BL/ and
// the evidence linked to them.
#pragma once

#include "archivewindow/Scope.h"

namespace archive {

class Archive;

class LocalScope final : public Scope {
public:
    explicit LocalScope(Archive& archive) : m_archive(archive) {}

    Archive& archive() { return m_archive; }

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

private:
    Archive& m_archive;
};

} // namespace archive
