#pragma once
// TEditFilterForm: the modal "Edit filters" window for the selection
// filters. Opening reads "Filters.xml" again; each row is a filter's name
// and its masks joined with ";". Selecting rows shows the masks in the mask
// field, "&Update" gives every selected row the field's masks, and Apply
// (which updates first) replaces the filters with the rows, in the list's
// order, and writes the file.
//
// Contract: user-interface thread only.

#include "ui/ListEditorForm.h"

class QLabel;
class QLineEdit;
class QPushButton;
class TFilters;

class TEditFilterForm : public TListEditorForm {
    Q_OBJECT
public:
    explicit TEditFilterForm(TFilters& filters, QWidget* parent = nullptr);

    QLineEdit* MaskField() const { return masks_; }
    QPushButton* UpdateButton() const { return update_; }

    /// Gives every selected row the mask field's text.
    void UpdateSelected();

protected:
    void BuildExtraControls(QVBoxLayout* layout) override;
    void ApplyChanges() override;

private:
    void FillRows();
    void ShowSelectedMasks();

    TFilters& filters_;
    QLabel* loadError_ = nullptr;
    QLineEdit* masks_ = nullptr;
    QPushButton* update_ = nullptr;
};
