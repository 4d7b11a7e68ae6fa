#include "ui/TrustedCertificatesPage.h"

#include "session/CertificateTrust.h"
#include "ui/WindowTexts.h"

#include <QDateTime>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QTimeZone>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

constexpr int kHostRole = Qt::UserRole;
constexpr int kPortRole = Qt::UserRole + 1;

} // namespace

TTrustedCertificatesPage::TTrustedCertificatesPage(QWidget* parent, TWindowTexts& texts)
    : QWidget(parent), list_(new QTreeWidget(this)), remove_(new QPushButton(this))
{
    auto* layout = new QVBoxLayout(this);
    auto* intro = new QLabel(this);
    intro->setWordWrap(true);
    texts.AddText(120, intro,
                  QStringLiteral("Certificates the system cannot vouch for that you chose to trust always. "
                                 "Remove one to be asked again on the next connection."));
    list_->setRootIsDecorated(false);
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list_->setColumnCount(5);
    texts.Add(121, QStringLiteral("Host|Port|Subject|SHA-256 fingerprint|Trusted"), [this](const QString& t) {
        list_->setHeaderLabels(t.split(QLatin1Char('|')));
    });
    texts.AddText(122, remove_, QStringLiteral("&Remove"));
    connect(remove_, &QPushButton::clicked, this, &TTrustedCertificatesPage::RemoveSelected);
    connect(list_, &QTreeWidget::itemSelectionChanged, this,
            [this] { remove_->setEnabled(!list_->selectedItems().isEmpty()); });
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(remove_);
    layout->addWidget(intro);
    layout->addWidget(list_, 1);
    layout->addLayout(buttons);
    Refresh();
}

void TTrustedCertificatesPage::Refresh()
{
    list_->clear();
    for (const TTrustedCertificate& entry : CertificateTrust().Stored()) {
        const QDateTime trusted = QDateTime::fromSecsSinceEpoch(entry.Trusted, QTimeZone::utc()).toLocalTime();
        auto* row = new QTreeWidgetItem(list_, {QString::fromStdString(entry.Host), QString::number(entry.Port),
                                                QString::fromStdString(entry.Subject),
                                                QString::fromStdString(entry.Fingerprint),
                                                QLocale().toString(trusted, QLocale::ShortFormat)});
        row->setData(0, kHostRole, QString::fromStdString(entry.Host));
        row->setData(0, kPortRole, entry.Port);
    }
    remove_->setEnabled(false);
}

void TTrustedCertificatesPage::RemoveSelected()
{
    for (const QTreeWidgetItem* row : list_->selectedItems())
        CertificateTrust().RemoveStored(row->data(0, kHostRole).toString().toStdString(),
                                        static_cast<std::uint16_t>(row->data(0, kPortRole).toInt()));
    Refresh();
}
