#include "ui/WindowHelpers.h"

#include <QFileDialog>
#include <QLineEdit>
#include <QWidget>

QString BrowseForFolder(QWidget* owner, const QString& title, const QString& initialFolder)
{
    return QFileDialog::getExistingDirectory(owner, title, initialFolder, QFileDialog::ShowDirsOnly);
}

void StylePasswordField(QLineEdit* field, bool showClear)
{
    if (field)
        field->setEchoMode(showClear ? QLineEdit::Normal : QLineEdit::Password);
}

QWidget* FocusFirstControl(QWidget* page)
{
    if (!page)
        return nullptr;
    constexpr int kLowestTop = 1000;
    QWidget* best = nullptr;
    int bestTop = kLowestTop;
    // findChildren answers in child order, depth first: the first of equal
    // tops stays.
    for (QWidget* child : page->findChildren<QWidget*>()) {
        if (!child->isEnabled() || !child->isVisibleTo(page) || !(child->focusPolicy() & Qt::TabFocus))
            continue;
        if (child->focusProxy())
            continue;  // the proxy itself is a candidate
        const int top = child->mapTo(page, QPoint(0, 0)).y();
        if (top < bestTop) {
            best = child;
            bestTop = top;
        }
    }
    if (best)
        best->setFocus(Qt::OtherFocusReason);
    return best;
}
