#pragma once
// TTransferTypeTable: the editor of the ASCII/binary transfer-type table in
// the settings window. A two-column list ("Extension", "Transfer type"),
// an extension field, a type list and "&Add"/"&Delete".
//
// Contract:
// - User-interface thread only. Nothing is stored here: SetEntries() fills
//   the list from "extension=type" texts, Entries() answers the rows in
//   their current order as "extension=ASCII" or "extension=Binary".
// - "&Add" gives an existing row (extension compared without regard to
//   letter case) the chosen type, else adds a row; the row is selected and
//   scrolled into view. A typed extension without its leading dot gets one,
//   since the table is looked up by the dotted extension of a file name.
// - "&Delete" asks "Are you sure you want to delete the %d selected file
//   transfer types?" (Yes/No) before deleting the selected rows.
// - A header click sorts by its column with the locale's rules, without
//   regard to letter case; a second click reverses the order.

#include <QWidget>

#include <string>
#include <vector>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;
class TWindowTexts;

class TTransferTypeTable : public QWidget {
    Q_OBJECT
public:
    /// Column numbers of the list.
    enum { ExtensionColumn = 0, TypeColumn = 1 };

    explicit TTransferTypeTable(QWidget* parent = nullptr);

    /// Registers the captions under `firstEntry` and the numbers after it.
    void AddTexts(TWindowTexts& texts, int firstEntry);
    /// Shows the type names in the active language again.
    void Retranslate();

    /// Fills the list (sorted by extension, ascending).
    void SetEntries(const std::vector<std::string>& entries);
    std::vector<std::string> Entries() const;

    void Add();
    /// Asks, then deletes the selected rows; answers whether it deleted.
    bool DeleteSelected();

    QTreeWidget* List() const { return list_; }
    QLineEdit* ExtensionEdit() const { return extension_; }
    /// Entry 0 "Binary", entry 1 "ASCII".
    QComboBox* TypeBox() const { return type_; }
    QPushButton* AddButton() const { return add_; }
    QPushButton* DeleteButton() const { return delete_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QTreeWidgetItem* NewRow(const QString& extension, bool ascii);
    void ShowType(QTreeWidgetItem* row, bool ascii);
    void SelectionChanged();

    QTreeWidget* list_;
    QLabel* extensionLabel_;
    QLineEdit* extension_;
    QLabel* typeLabel_;
    QComboBox* type_;
    QPushButton* add_;
    QPushButton* delete_;
};
