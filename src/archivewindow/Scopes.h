// The archive window's two scopes, 本机 and 全局, and the one 组合框范围 chose.
#pragma once

#include "archivewindow/LocalScope.h"
#include "archivewindow/OfficeScope.h"

namespace archive {

struct Scopes {
    explicit Scopes(Archive& archive) : local(archive), office(archive) {}

    Scope& chosen() { return office.chosen ? static_cast<Scope&>(office) : local; }

    LocalScope local;
    OfficeScope office;
};

} // namespace archive

// The scope chosen in 组合框范围: the version chooser shown for 全局 only, and the list made anew.
void ChangeScope(ArchiveWindow& aw, archive::InquiryTableModel& rows, archive::Scopes& scopes);
