// The one place that asks the window which scope it shows.
#include "archivewindow/Scopes.h"

#include "archivewindow/ArchiveCommands.h"
#include "archivewindow/InquiryTableModel.h"

#include "ui/ArchiveWindow.h"

#include <QComboBox>
#include <QLabel>

void ChangeScope(ArchiveWindow& aw, archive::InquiryTableModel& rows, archive::Scopes& scopes) {
    scopes.office.chosen = aw.showsOffice();
    aw.标签版本->setVisible(aw.showsOffice());
    aw.组合框版本->setVisible(aw.showsOffice());
    scopes.office.clearChoice(aw);
    rows.setRows({});
    ListInquiries(aw, rows, scopes);
}
