// The properties window: applying the changes, the questions on closing,
// and adding up the size of the selected folders through the worker's walk.

#include "ui/FilePropertiesForm.h"

#include "i18n/LanguageManager.h"
#include "session/FTPWorker.h"
#include "store/Helpers.h"
#include "ui/RemoteText.h"
#include "ui/WindowTexts.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>

// The walk's handlers reach the window through this; the window cuts it
// when it goes, so an event already on its way finds no window.
struct TFilePropertiesForm::TLink {
    TFilePropertiesForm* Form = nullptr;
};

TFilePropertiesForm::~TFilePropertiesForm()
{
    StopCalculation();
    if (link_)
        link_->Form = nullptr;
}

void TFilePropertiesForm::Apply()
{
    StopCalculation();
    const QString mode = NumericMode();
    mode_->setText(mode);
    QProgressDialog progress(this);
    progress.setWindowTitle(texts_->Text(28, QStringLiteral("Progress")));
    progress.setWindowModality(Qt::NonModal);
    progress.setRange(0, static_cast<int>(entries_.size()));
    progress.setMinimumDuration(0);
    progress.setAutoClose(false);
    progress.setAutoReset(false);
    const QString caption = QString::fromStdString(LoadStr("FilePropertiesForm_RSRenOrChan"));
    progress.show();
    // Cancel in the progress window stays usable; nothing else may start a
    // second apply meanwhile.
    for (QWidget* part : {static_cast<QWidget*>(pages_), static_cast<QWidget*>(ok_), static_cast<QWidget*>(cancel_), static_cast<QWidget*>(apply_)})
        part->setEnabled(false);
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        // Cancel ends the loop after the entry being changed.
        QApplication::processEvents();
        if (progress.wasCanceled())
            break;
        progress.setLabelText(caption + QStringLiteral("\n") + TextFromRemote(entries_[i].Name));
        ApplyTo(entries_[i], mode);
        progress.setValue(static_cast<int>(i) + 1);
    }
    progress.close();
    for (QWidget* part : {static_cast<QWidget*>(pages_), static_cast<QWidget*>(ok_), static_cast<QWidget*>(cancel_)})
        part->setEnabled(true);
    ClearChangeFlags();
    worker_.InvalidateListing(worker_.CurrentDir());
    worker_.RequestListing();
}

void TFilePropertiesForm::ApplyTo(TPropertyEntry& entry, const QString& mode)
{
    if (nameChanged_ && entries_.size() == 1) {
        const std::string newName = RemoteFromText(name_->text());
        if (!newName.empty() && newName != entry.Name) {
            worker_.RenameEntry(entry.Name, newName);
            // A refused rename is shown by the worker's error dialog; the
            // commands below then go to the old name.
            if (worker_.PendingError().Empty())
                entry.Name = newName;
        }
    }
    // Servers that do not know a SITE command refuse it; that is no reason
    // to stop the other changes.
    const auto quietly = [](const auto& command) {
        try {
            command();
        } catch (const std::exception&) {
        }
    };
    const QString differentUsers = QString::fromStdString(LoadStr("FilePropertiesForm_IDS_10"));
    const QString differentGroups = QString::fromStdString(LoadStr("FilePropertiesForm_IDS_9"));
    if (ownerChanged_ && !user_->text().isEmpty() && user_->text() != differentUsers)
        quietly([&] { worker_.ChangeOwner(entry.Name, RemoteFromText(user_->text())); });
    if (groupChanged_ && !group_->text().isEmpty() && group_->text() != differentGroups)
        quietly([&] { worker_.ChangeGroup(entry.Name, RemoteFromText(group_->text())); });
    if (permissionsChanged_ && mode != QLatin1String("N/A"))
        quietly([&] { worker_.ChangeMode(entry.Name, mode.toStdString()); });
}

// OK applies. Cancel (also Escape) with changes asks whether to save them
// first. Changed permissions that read "N/A" cannot be sent: the user is
// told before anything is applied and may go back to the window.
void TFilePropertiesForm::done(int result)
{
    StopCalculation();
    bool apply = result == QDialog::Accepted;
    if (!apply && Changed()) {
        const auto answer = QMessageBox::question(this, windowTitle(),
                                                  QString::fromStdString(LoadStr("FilePropertiesForm_IDS_11")),
                                                  QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel,
                                                  QMessageBox::Yes);
        if (answer == QMessageBox::Cancel)
            return;
        apply = answer == QMessageBox::Yes;
    }
    if (apply && Changed() && !ConfirmInconsistentPermissions())
        return;
    if (apply && Changed())
        Apply();
    QDialog::done(apply ? QDialog::Accepted : QDialog::Rejected);
}

bool TFilePropertiesForm::ConfirmInconsistentPermissions()
{
    if (!permissionsChanged_ || NumericMode() != QLatin1String("N/A"))
        return true;
    const auto answer = QMessageBox::information(this, windowTitle(),
                                                 QString::fromStdString(LoadStr("FilePropertiesForm_IDS_8")),
                                                 QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Ok);
    return answer == QMessageBox::Ok;
}

// --- the size of the selected folders -------------------------------------------

void TFilePropertiesForm::CalculateSize()
{
    if (calculating_)
        return;
    toWalk_.clear();
    for (auto entry = entries_.rbegin(); entry != entries_.rend(); ++entry)
        if (entry->Kind == dkDirectory || entry->Kind == dkSymbolicLink)
            toWalk_.push_back(entry->Name);
    if (toWalk_.empty())
        return;
    if (!link_) {
        link_ = std::make_shared<TLink>();
        link_->Form = this;
    }
    calculate_->setEnabled(false);
    walkedTotal_ = 0;
    calculating_ = true;
    generalPage_->setCursor(Qt::BusyCursor);
    const std::uint64_t generation = ++generation_;
    worker_.OnSearchListing.Set([link = link_, generation](const TIdFTPListItems& listing) {
        if (link->Form && link->Form->calculating_ && link->Form->generation_ == generation)
            link->Form->AddWalkedListing(listing);
    });
    worker_.OnSearchDone.Set([link = link_, generation](TFTPWorker&) {
        if (link->Form && link->Form->calculating_ && link->Form->generation_ == generation)
            link->Form->WalkNext();
    });
    idleTicks_ = 0;
    walkWatch_->start();
    WalkNext();
}

// A walk that fails (a folder the server refuses) ends without its done
// event: once the worker has nothing left to do, the next folder follows.
void TFilePropertiesForm::WatchWalk()
{
    const bool ended = !worker_.Busy() && !worker_.CommandPending();
    idleTicks_ = ended ? idleTicks_ + 1 : 0;
    if (idleTicks_ >= 2 && calculating_) {
        idleTicks_ = 0;
        WalkNext();
    }
}

// Folders are walked one after another, each from the current folder
// (the worker returns there after every walk).
void TFilePropertiesForm::WalkNext()
{
    if (toWalk_.empty()) {
        StopCalculation();
        return;
    }
    const std::string next = toWalk_.back();
    toWalk_.pop_back();
    worker_.RequestRecursiveSearch(next);
}

void TFilePropertiesForm::AddWalkedListing(const TIdFTPListItems& listing)
{
    for (const TIdFTPListItem& item : listing)
        if (item.ItemKind() == dkFile && item.SizeKnown())
            walkedTotal_ += item.Size();
    ShowTotalSize();
}

void TFilePropertiesForm::StopCalculation()
{
    if (!calculating_)
        return;
    calculating_ = false;
    walkWatch_->stop();
    worker_.OnSearchListing.Clear();
    worker_.OnSearchDone.Clear();
    toWalk_.clear();
    generalPage_->unsetCursor();
    calculate_->setEnabled(true);
    ShowTotalSize();
}

std::int64_t TFilePropertiesForm::SelectedFilesSize() const
{
    std::int64_t total = 0;
    for (const TPropertyEntry& entry : entries_)
        if (entry.Kind == dkFile)
            total += entry.Size;
    return total;
}

void TFilePropertiesForm::ShowTotalSize()
{
    size_->setText(QString::fromStdString(FormatSizeKB(SelectedFilesSize() + walkedTotal_)));
}
