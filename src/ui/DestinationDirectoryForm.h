#pragma once
// TDestinationDirectoryForm: "Destination directory", asked when files
// handed over by the file manager are uploaded to a host. An editable,
// sorted list of the host's initial remote folder and its bookmarks; an
// empty answer means the host's initial remote folder.
//
// Contract: user-interface thread; shown modally with exec().

#include "hosts/Host.h"

#include <QDialog>

class QComboBox;

class TDestinationDirectoryForm : public QDialog {
    Q_OBJECT
public:
    explicit TDestinationDirectoryForm(const THost& host, QWidget* parent = nullptr);

    QComboBox* DirectoryBox() const { return box_; }
    /// The folder to upload into: the text, or the host's initial folder when empty.
    std::string Destination() const;

private:
    std::string initial_;
    QComboBox* box_ = nullptr;
};
