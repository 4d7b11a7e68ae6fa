#pragma once
// TFilePropertiesForm: "Properties" of one or several remote entries: name,
// type, location, size, date, owner, group and the Unix permissions, which
// it changes on the server through the browsing worker ("RNFR"/"RNTO",
// "SITE CHOWN", "SITE CHGRP", "SITE CHMOD"). It can add up the size of the
// selected folders and everything below them through the worker's walk.
//
// Contract:
// - User-interface thread only; the worker delivers its events through a
//   dispatcher owned by this thread (as the main window's does).
// - The entries are the dialog's own copies, in view order.
// - Apply (also OK, or Yes to the question on closing with changes) renames
//   a single entry, then sends the owner, group and mode commands that
//   changed for each entry; owner, group and mode failures are ignored (a
//   server may not know the SITE command), a failed rename is shown by the
//   worker's error dialog. The mode is never sent while it reads "N/A".
//   Afterwards the folder's cached listing is dropped and a listing asked.
// - Closing or applying stops a running size calculation. A folder whose
//   walk fails (the server refuses a folder below it) adds what was listed
//   before the failure; the other folders are still walked.

#include "ftp/listparse/ListItem.h"

#include <QDialog>

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;
class QTimer;
class TFTPWorker;
class TIconCache;
class TWindowTexts;

/// One selected entry as the dialog keeps it.
struct TPropertyEntry {
    std::string Name;  // as the server knows it
    TIdDirItemType Kind = dkFile;
    std::int64_t Size = 0;
    QString DateText;  // short date and long time
    bool Unix = false;
    std::string Owner, Group;
    std::array<std::string, 3> Permissions;  // owner, group, other: "rwx" letters

    /// A copy of `item` under `name` (the name a rename in the list gave it).
    static TPropertyEntry From(const TIdFTPListItem& item, const std::string& name);
};

class TFilePropertiesForm : public QDialog {
    Q_OBJECT
public:
    /// Permission classes and bits of PermissionBox().
    enum TClass { pcOwner, pcGroup, pcOther };
    enum TBit { pbRead, pbWrite, pbExecute };

    TFilePropertiesForm(TFTPWorker& worker, std::vector<TPropertyEntry> entries,
                        std::shared_ptr<TIconCache> icons = nullptr, QWidget* parent = nullptr);
    ~TFilePropertiesForm() override;

    const std::vector<TPropertyEntry>& Entries() const { return entries_; }
    /// "%d%d%d", or "N/A" while a box is grayed.
    QString NumericMode() const;
    bool Changed() const { return nameChanged_ || permissionsChanged_ || ownerChanged_ || groupChanged_; }
    bool Calculating() const { return calculating_; }

    // --- controls (tests) ------------------------------------------------
    QCheckBox* PermissionBox(TClass cls, TBit bit) const { return boxes_[cls][bit]; }
    QLineEdit* NameField() const { return name_; }
    QLineEdit* UserField() const { return user_; }
    QLineEdit* GroupField() const { return group_; }
    QLineEdit* ModeField() const { return mode_; }
    QLabel* TypeLabel() const { return type_; }
    QLabel* SizeLabel() const { return size_; }
    QLabel* LocationLabel() const { return location_; }
    QLabel* DateLabel() const { return date_; }
    QLabel* CountLabel() const { return count_; }
    QPushButton* CalculateButton() const { return calculate_; }
    QPushButton* ApplyButton() const { return apply_; }
    QTabWidget* Pages() const { return pages_; }

    /// The Apply button.
    void Apply();
    /// "Calculate size including subdirectories".
    void CalculateSize();

public slots:
    void done(int result) override;

private:
    struct TLink;
    // layout and texts (FilePropertiesForm.cpp)
    QWidget* BuildGeneralPage();
    QWidget* BuildSecurityPage();
    void RegisterTexts();
    void ShowEntries();
    void ShowComposedTexts();
    void ShowPermissions();
    void ShowOwnerAndGroup();
    void ShowIdentity();
    void UpdateMode();
    void UpdateApplyButton();
    void ClearChangeFlags();
    QString TypeText() const;
    QString TypeNameOf(const TPropertyEntry& entry) const;

    // applying, closing, the size walk (FilePropertiesFormApply.cpp)
    void ApplyTo(TPropertyEntry& entry, const QString& mode);
    void StopCalculation();
    void WalkNext();
    void WatchWalk();
    void AddWalkedListing(const TIdFTPListItems& listing);
    void ShowTotalSize();
    std::int64_t SelectedFilesSize() const;
    bool ConfirmInconsistentPermissions();

    TFTPWorker& worker_;
    std::vector<TPropertyEntry> entries_;
    std::shared_ptr<TIconCache> icons_;
    std::shared_ptr<TLink> link_;
    TWindowTexts* texts_ = nullptr;

    QTabWidget* pages_ = nullptr;
    QWidget* generalPage_ = nullptr;
    QLabel* icon_ = nullptr;
    QLineEdit* name_ = nullptr;
    QLabel* type_ = nullptr;
    QLabel* location_ = nullptr;
    QLabel* sizeCaption_ = nullptr;
    QLabel* size_ = nullptr;
    QLabel* date_ = nullptr;
    QLabel* count_ = nullptr;
    QPushButton* calculate_ = nullptr;
    QLabel* userLabel_ = nullptr;
    QLineEdit* user_ = nullptr;
    QLabel* groupLabel_ = nullptr;
    QLineEdit* group_ = nullptr;
    std::array<std::array<QCheckBox*, 3>, 3> boxes_{};
    std::array<QWidget*, 3> classBoxes_{};
    QLabel* modeLabel_ = nullptr;
    QLineEdit* mode_ = nullptr;
    QPushButton* ok_ = nullptr;
    QPushButton* cancel_ = nullptr;
    QPushButton* apply_ = nullptr;

    bool nameChanged_ = false;
    bool permissionsChanged_ = false;
    bool ownerChanged_ = false;
    bool groupChanged_ = false;

    // the size walk
    bool calculating_ = false;
    std::vector<std::string> toWalk_;  // folders not yet walked, next last
    std::int64_t walkedTotal_ = 0;
    std::uint64_t generation_ = 0;
    QTimer* walkWatch_ = nullptr;
    int idleTicks_ = 0;
};
