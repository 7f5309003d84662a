// Each question to the server carries its own copy of what it needs and leaves its answer in a
// shared value that the window reads back on its own thread.
#include "archivewindow/OfficeScope.h"

#include "archive/Archive.h"
#include "archive/Locations.h"
#include "archivewindow/ArchiveTables.h"
#include "archivewindow/InquiryTableModel.h"
#include "office/ServerSetting.h"

#include "platform/ByteCount.h"
#include "platform/Dialogs.h"
#include "platform/DurableFile.h"
#include "platform/Fingerprint.h"
#include "platform/Services.h"
#include "ui/ArchiveWindow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTableView>
#include <QTableWidget>

using namespace archive;
using namespace office;

namespace {

const QString kCaption = QStringLiteral("提 示：");

// A file of the chosen version where it was fetched to, or why it was not.
struct FetchedFile {
    office::OfficeFile file;
    QString path;
    QString problem; // empty: path holds the file as the server holds it, its fingerprint beside it
};
using FileKinds = QList<FileKind>;

// Rows enough for any list an inspector reads through; a word more narrows it.
constexpr int kMostRows = 2000;

office::OfficeReader& readerOf(OfficeScope& office) {
    if (!office.reader)
        office.reader = std::make_unique<office::OfficeReader>(office.programDir);
    return *office.reader;
}

void showVersion(ArchiveWindow& aw, OfficeScope& office) {
    aw.表格文件->setRowCount(int(office.files.size()));
    for (int i = 0; i < office.files.size(); ++i) {
        const OfficeFile& f = office.files[i];
        setRow(aw.表格文件, i,
               {f.name, kindText(f.kind), f.size >= 0 ? byteCount(f.size) : QString(), QString(), stateText(f.state),
                f.stored ? QStringLiteral("内容在服务器上") : QStringLiteral("内容留在推送它的电脑上")});
    }
    aw.表格文件->resizeColumnsToContents();
    showCustodyLines(aw.表格保管记录, office.custody);
    QSet<QString> evidence;
    for (const OfficeFile& f : office.files)
        if (f.kind == FileKind::Recording || f.kind == FileKind::Capture)
            evidence.insert(f.name);
    showMarks(aw.表格时间标记, marksIn(office.custody, evidence));
    aw.setInquiryCommandsEnabled(aw.按钮取消导出->isHidden());
}

QString versionText(int number, const OfficeVersion& v) {
    return QStringLiteral("第 %1 版：%2 %3（%4@%5，那台电脑记下的保存时间 %6）")
        .arg(number)
        .arg(v.receivedAt, custody::eventText(v.event), v.desktopUser, v.host, v.savedAt);
}

// The files and custody lines of a version, asked together.
struct VersionAnswer {
    QList<OfficeFile> files;
    QList<QByteArray> custody;
};

Error readVersion(pg::Connection& connection, qint64 version, VersionAnswer* answer) {
    Error error = filesOf(connection, version, &answer->files);
    if (error.ok())
        error = custodyOf(connection, version, &answer->custody);
    return error;
}

bool wasAnswered(ArchiveWindow& aw, const Error& error) {
    if (error.ok())
        return true;
    aw.标签档案状态->setText(error.text());
    return false;
}

FetchedFile fetchOne(pg::Connection& connection, const QString& programDir, const QString& inquiry, qint64 version,
                     const OfficeFile& file, bool fresh, const std::atomic_bool& stop, Error* broken) {
    FetchedFile fetched{file, fetchedPath(programDir, inquiry, version, file.name), {}};
    if (fetched.path.isEmpty()) {
        fetched.problem = QStringLiteral("服务器给出的文件名不能用");
        return fetched;
    }
    if (!file.stored) {
        fetched.problem = QStringLiteral("内容留在了推送它的电脑上，服务器只有它的指纹");
        return fetched;
    }
    if (!fresh && QFileInfo::exists(fetched.path) &&
        QString::fromLatin1(fingerprint::sha256Hex(fetched.path)) == file.sha256)
        return fetched;
    if (const durable::Result made = durable::makeFolder(QFileInfo(fetched.path).absolutePath()); !made) {
        fetched.problem = made.text();
        return fetched;
    }
    if (const Error error = fetchFile(connection, version, file.name, fetched.path, stop); !error) {
        // A failure of the connection or of the role ends the whole fetch; a file's own is its.
        if (error.failure != Failure::Other)
            *broken = error;
        fetched.problem = error.failure == Failure::Other ? error.detail : error.text();
        return fetched;
    }
    const QString sidecar = fingerprint::sidecarPath(fetched.path);
    if (const durable::Result written = durable::writeFile(
            sidecar, fingerprint::sidecarLine(file.sha256.toLatin1(), QFileInfo(fetched.path).fileName()));
        !written)
        fetched.problem = fingerprint::failureText(sidecar, written);
    return fetched;
}

// The chosen version's files of those kinds fetched (anew from the server when fresh, else only those
// not fetched before), then then() with each; nothing when the server could not be asked, which is
// said. The inquiry's commands wait meanwhile.
void fetchChosenVersion(ArchiveWindow& aw, Services& s, OfficeScope& office, const FileKinds& kinds, bool fresh,
                        std::function<void(const QList<FetchedFile>&)> then) {
    QList<OfficeFile> wanted;
    for (const OfficeFile& file : std::as_const(office.files))
        if (kinds.contains(file.kind))
            wanted << file;
    aw.setInquiryCommandsEnabled(false);
    aw.标签档案状态->setText(QStringLiteral("正在从笔录档案服务器取回文件……"));
    auto fetched = std::make_shared<QList<FetchedFile>>();
    readerOf(office).ask(
        {},
        [programDir = office.programDir, inquiry = office.inquiry, version = office.version, wanted, fresh,
         fetched](pg::Connection& connection, const std::atomic_bool& stop) {
            Error broken;
            for (const OfficeFile& file : wanted) {
                *fetched << fetchOne(connection, programDir, inquiry, version, file, fresh, stop, &broken);
                if (!broken.ok())
                    return broken;
            }
            return Error{};
        },
        &aw,
        [&aw, &s, &office, fetched, then = std::move(then)](const Error& error) {
            aw.setInquiryCommandsEnabled(aw.按钮取消导出->isHidden() && office.chosen);
            if (!error.ok()) {
                aw.标签档案状态->setText(error.text());
                s.dialogs.message(kCaption, QStringLiteral("没有从笔录档案服务器取回文件：\n%1").arg(error.text()));
                return;
            }
            aw.标签档案状态->clear();
            then(*fetched);
        });
}

} // namespace

void PrepareScopes(ArchiveWindow& aw, const QString& programDir) {
    const ServerSetting setting = serverSetting(programDir);
    auto* scopes = qobject_cast<QStandardItemModel*>(aw.组合框范围->model());
    const bool usable = !setting.conninfo.isEmpty();
    scopes->item(1)->setEnabled(usable);
    const QString why = usable               ? QStringLiteral("全局：在单位的笔录档案服务器上查找")
                        : setting.error.ok() ? Error{Failure::NotConfigured, {}}.text()
                                             : setting.error.text();
    aw.组合框范围->setItemData(1, why, Qt::ToolTipRole);
    aw.组合框范围->setToolTip(usable ? QStringLiteral("本机：这台电脑的笔录档案；全局：单位的笔录档案服务器")
                                     : QStringLiteral("全局不能用：%1").arg(why));
    if (!usable && aw.showsOffice())
        aw.组合框范围->setCurrentIndex(0);
}

namespace archive {

OfficeScope::OfficeScope(Archive& archive) : archive(archive), programDir(archive.programDir()) {}

void OfficeScope::clearChoice(ArchiveWindow& aw) {
    unit.clear();
    inquiry.clear();
    versions.clear();
    version = 0;
    files.clear();
    custody.clear();
    aw.组合框版本->clear();
    aw.表格文件->setRowCount(0);
    aw.表格保管记录->setRowCount(0);
    aw.表格时间标记->setRowCount(0);
    aw.setInquiryCommandsEnabled(false);
}

void OfficeScope::list(ArchiveWindow& aw, InquiryTableModel& rows) {
    OfficeScope& office = *this;
    const quint64 search = ++office.search;
    const QString typed = aw.编辑框搜索->text();
    const bool dated = aw.复选框日期->isChecked();
    const QDate from = aw.日期框起->date();
    const QDate to = aw.日期框止->date();
    aw.标签档案状态->setText(QStringLiteral("正在笔录档案服务器上查找……"));
    auto found = std::make_shared<QList<OfficeRow>>();
    readerOf(office).ask(
        QStringLiteral("search"),
        [typed, found](pg::Connection& connection, const std::atomic_bool&) {
            return searchOffice(connection, typed, kMostRows, found.get());
        },
        &aw,
        [&aw, &rows, &office, search, found, dated, from, to](const Error& error) {
            if (search != office.search || !office.chosen || !wasAnswered(aw, error))
                return;
            const bool cut = found->size() == kMostRows;
            office.rows.clear();
            QList<InquiryRow> shown;
            QStringList units;
            for (const OfficeRow& row : std::as_const(*found)) {
                const QDate date = QDate::fromString(row.row.date, Qt::ISODate);
                if (dated && (!date.isValid() || date < from || date > to))
                    continue;
                office.rows << row;
                shown << row.row;
                units << row.officeUnit;
            }
            const QString chosenUnit = office.unit, chosen = office.inquiry;
            rows.setRows(shown, units);
            if (const int row = rows.rowOf(chosen, chosenUnit); row >= 0 && !chosen.isEmpty())
                aw.表格笔录->setCurrentIndex(rows.index(row, 0));
            else
                office.showChosen(aw);
            aw.标签档案状态->setText(
                cut ? QStringLiteral("服务器上找到 %1 份笔录（只列出了最新的 %2 份，请多给一个词缩小范围）")
                          .arg(shown.size())
                          .arg(kMostRows)
                    : QStringLiteral("服务器上找到 %1 份笔录").arg(shown.size()));
        });
}

void OfficeScope::showChosen(ArchiveWindow& aw) {
    OfficeScope& office = *this;
    const QModelIndex current = aw.表格笔录->currentIndex();
    const QString inquiry = current.data(InquiryTableModel::NameRole).toString();
    const QString unit = current.data(InquiryTableModel::OfficeUnitRole).toString();
    if (inquiry == office.inquiry && unit == office.unit && !inquiry.isEmpty())
        return;
    const quint64 choice = ++office.choice;
    clearChoice(aw);
    if (inquiry.isEmpty())
        return;
    office.inquiry = inquiry;
    office.unit = unit;
    qint64 latest = 0;
    for (const OfficeRow& row : std::as_const(office.rows))
        if (row.row.name == inquiry && row.officeUnit == unit)
            latest = row.version;
    struct Answer {
        QList<OfficeVersion> versions;
        VersionAnswer version;
    };
    auto answer = std::make_shared<Answer>();
    readerOf(office).ask(
        QStringLiteral("choice"),
        [unit, inquiry, latest, answer](pg::Connection& connection, const std::atomic_bool&) {
            Error error = versionsOf(connection, unit, inquiry, &answer->versions);
            if (error.ok())
                error = readVersion(connection, latest, &answer->version);
            return error;
        },
        &aw,
        [&aw, &office, choice, latest, answer](const Error& error) {
            if (choice != office.choice || !office.chosen || !wasAnswered(aw, error))
                return;
            office.versions = answer->versions;
            office.version = latest;
            office.files = answer->version.files;
            office.custody = answer->version.custody;
            const QSignalBlocker quiet(aw.组合框版本);
            aw.组合框版本->clear();
            for (int i = 0; i < office.versions.size(); ++i) {
                aw.组合框版本->addItem(versionText(i + 1, office.versions[i]), office.versions[i].id);
                if (office.versions[i].id == latest)
                    aw.组合框版本->setCurrentIndex(i);
            }
            showVersion(aw, office);
        });
}

void OfficeScope::withFile(ArchiveWindow& aw, Services& s, const QString&, FileKind kind,
                           std::function<void(const QString& path)> then) {
    fetchChosenVersion(
        aw, s, *this, {kind}, false, [&s, kind, then = std::move(then)](const QList<FetchedFile>& fetched) {
            for (const FetchedFile& f : fetched)
                if (f.problem.isEmpty())
                    return then(f.path);
            s.dialogs.message(
                kCaption,
                fetched.isEmpty()
                    ? QStringLiteral("服务器上的这一版没有%1。").arg(kindText(kind))
                    : QStringLiteral("%1 没有取回：%2").arg(fetched.first().file.name, fetched.first().problem));
        });
}

void OfficeScope::withEvidence(ArchiveWindow& aw, Services& s, const QString&, const QString& name,
                               std::function<void(const QString& path, FileKind kind)> then) {
    fetchChosenVersion(aw, s, *this, {FileKind::Recording, FileKind::Capture}, false,
                       [&s, name, then = std::move(then)](const QList<FetchedFile>& fetched) {
                           for (const FetchedFile& f : fetched)
                               if (f.file.name == name) {
                                   if (f.problem.isEmpty())
                                       then(f.path, f.file.kind);
                                   else
                                       s.dialogs.message(kCaption,
                                                         QStringLiteral("%1 没有取回：%2").arg(name, f.problem));
                                   return;
                               }
                           s.dialogs.message(kCaption, QStringLiteral("服务器上的这一版没有录音录像 %1。").arg(name));
                       });
}

QString OfficeScope::openedText(const QString& inquiry) const {
    return QStringLiteral("已打开服务器上的：%1").arg(inquiry);
}

// The version's files are fetched anew and checked against the fingerprints the server keeps.
void OfficeScope::check(ArchiveWindow& aw, Services& s, const QString&) {
    Archive& a = archive;
    const FileKinds all{FileKind::Template, FileKind::Document, FileKind::Pdf, FileKind::Recording, FileKind::Capture};
    fetchChosenVersion(aw, s, *this, all, true, [&aw, &s, &a, inquiry = inquiry](const QList<FetchedFile>& fetched) {
        QList<CustodyFile> checked;
        QStringList report;
        bool allMatch = !fetched.isEmpty();
        for (const FetchedFile& f : fetched) {
            // The copy just fetched was compared with the server's fingerprint as it arrived.
            QString result = f.problem.isEmpty() ? stateText(fileStateOf(f.path)) : f.problem;
            allMatch = allMatch && f.problem.isEmpty() && fileStateOf(f.path) == FileState::Ok;
            // What the desktop that pushed it found: a file changed there stays changed here.
            if (f.file.state != FileState::Ok) {
                allMatch = false;
                result += QStringLiteral("（推送时：%1）").arg(stateText(f.file.state));
            }
            if (f.problem.isEmpty()) {
                CustodyFile entry = custodyFile(a.programDir(), f.path);
                entry.check = result;
                checked << entry;
            }
            report << QStringLiteral("%1：%2").arg(f.file.name, result);
        }
        a.log(custody::kFingerprintChecked, inquiry, checked);
        s.dialogs.message(QStringLiteral("校验结果："),
                          (allMatch ? QStringLiteral("全部文件与服务器上的指纹一致。\n\n")
                                    : QStringLiteral("有文件与指纹不符、缺少指纹或没有取回！\n\n")) +
                              report.join(u'\n'));
    });
}

void OfficeScope::gatherBundle(ArchiveWindow& aw, Services& s, const QString& inquiry, const QString& target,
                               std::function<void(const QString& missingWhy, const BundleGather& gather)> then) {
    const FileKinds all{FileKind::Template, FileKind::Document, FileKind::Recording, FileKind::Capture};
    fetchChosenVersion(
        aw, s, *this, all, false,
        [this, inquiry, target, custody = custody, then = std::move(then)](const QList<FetchedFile>& fetched) {
            BundleRequest request;
            request.inquiry = inquiry;
            request.custodyLines = custody;
            request.target = target;
            QStringList missing;
            for (const FetchedFile& f : fetched) {
                if (!f.problem.isEmpty())
                    missing << QStringLiteral("%1（%2）").arg(f.file.name, f.problem);
                else if (f.file.kind == FileKind::Template)
                    request.templatePath = f.path;
                else if (f.file.kind == FileKind::Document)
                    request.documentPath = f.path;
                else
                    (f.file.kind == FileKind::Recording ? request.recordings : request.captures) << f.path;
            }
            then(QStringLiteral("没有从服务器取回"), [&](const PdfMaker& pdf, const BundleWriter& write) {
                return exportFetchedInquiry(archive, request, missing, pdf, write);
            });
        });
}

} // namespace archive

void ShowChosenVersion(ArchiveWindow& aw, OfficeScope& office) {
    const qint64 version = aw.组合框版本->currentData().toLongLong();
    if (version == 0 || version == office.version)
        return;
    const quint64 choice = ++office.choice;
    aw.setInquiryCommandsEnabled(false);
    auto answer = std::make_shared<VersionAnswer>();
    readerOf(office).ask(
        QStringLiteral("choice"),
        [version, answer](pg::Connection& connection, const std::atomic_bool&) {
            return readVersion(connection, version, answer.get());
        },
        &aw,
        [&aw, &office, choice, version, answer](const Error& error) {
            if (choice != office.choice || !office.chosen || !wasAnswered(aw, error))
                return;
            office.version = version;
            office.files = answer->files;
            office.custody = answer->custody;
            showVersion(aw, office);
        });
}
