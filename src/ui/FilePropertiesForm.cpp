// The properties window: its layout, its texts and what it shows.

#include "ui/FilePropertiesForm.h"

#include "i18n/Format.h"
#include "i18n/LanguageManager.h"
#include "session/FTPWorker.h"
#include "store/Helpers.h"
#include "ui/AppIcons.h"
#include "ui/IconCache.h"
#include "ui/RemoteRowOrder.h"
#include "ui/RemoteText.h"
#include "ui/WindowTexts.h"

#include <QBoxLayout>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>

namespace {

// Window text numbers.
enum : int {
    wtTitle = 1,
    wtGeneralTab,
    wtSecurityTab,
    wtSize,
    wtCalculate,
    wtUser,
    wtGroup,
    wtOwnerBox,
    wtGroupBox,
    wtOtherBox,
    wtFirstPermission,  // 11..19: Read, Write, Execute of each class
    wtInNumbers = 20,
    wtOK,
    wtCancel,
    wtApply,
    wtTypeOfFile,
    wtLocation,
    wtDateModified,
    wtCount,
    wtProgress,  // the title of the progress window (read by Apply)
};

const char* const kBitCaptions[] = {"Read", "Write", "Execute"};
const char* const kClassCaptions[] = {"User/Owner", "Group", "Other"};
constexpr char kBitLetters[] = {'r', 'w', 'x'};

QLabel* WrappingLabel(QWidget* parent)
{
    auto* label = new QLabel(parent);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    label->setWordWrap(true);
    return label;
}

QFrame* Line(QWidget* parent)
{
    auto* line = new QFrame(parent);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

// Whether a class's permission letters grant `bit`. "s" and "t" in the
// execute place mean set-id or sticky with execute; "S" and "T" without.
bool Grants(const std::string& letters, int bit)
{
    if (bit == 2)
        return letters.find_first_of("xst") != std::string::npos;
    return letters.find(kBitLetters[bit]) != std::string::npos;
}

}  // namespace

TPropertyEntry TPropertyEntry::From(const TIdFTPListItem& item, const std::string& name)
{
    TPropertyEntry entry;
    entry.Name = name;
    entry.Kind = item.ItemKind();
    entry.Size = item.SizeKnown() ? item.Size() : 0;
    entry.DateText = RemoteDateText(item, true);
    if (const auto* unix = dynamic_cast<const TIdUnixBaseFTPListItem*>(&item)) {
        entry.Unix = true;
        entry.Owner = unix->OwnerName();
        entry.Group = unix->GroupName();
        entry.Permissions = {std::string(unix->UserPermissions()), std::string(unix->GroupPermissions()),
                             std::string(unix->OtherPermissions())};
    }
    return entry;
}

TFilePropertiesForm::TFilePropertiesForm(TFTPWorker& worker, std::vector<TPropertyEntry> entries,
                                         std::shared_ptr<TIconCache> icons, QWidget* parent)
    : QDialog(parent), worker_(worker), entries_(std::move(entries)),
      icons_(icons ? std::move(icons) : std::make_shared<TIconCache>())
{
    setObjectName(QStringLiteral("FilePropertiesForm"));
    pages_ = new QTabWidget(this);
    pages_->addTab(BuildGeneralPage(), QString());
    pages_->addTab(BuildSecurityPage(), QString());
    auto* buttons = new QDialogButtonBox(this);
    ok_ = buttons->addButton(QDialogButtonBox::Ok);
    cancel_ = buttons->addButton(QDialogButtonBox::Cancel);
    apply_ = buttons->addButton(QDialogButtonBox::Apply);
    ok_->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(apply_, &QPushButton::clicked, this, &TFilePropertiesForm::Apply);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(pages_);
    layout->addWidget(buttons);
    walkWatch_ = new QTimer(this);
    walkWatch_->setInterval(100);
    connect(walkWatch_, &QTimer::timeout, this, &TFilePropertiesForm::WatchWalk);
    RegisterTexts();
    ShowEntries();
    resize(400, sizeHint().height());
}

QWidget* TFilePropertiesForm::BuildGeneralPage()
{
    generalPage_ = new QWidget(this);
    icon_ = new QLabel(generalPage_);
    icon_->setFixedSize(32, 32);
    name_ = new QLineEdit(generalPage_);
    name_->setObjectName(QStringLiteral("NameField"));
    count_ = new QLabel(generalPage_);
    type_ = WrappingLabel(generalPage_);
    location_ = WrappingLabel(generalPage_);
    sizeCaption_ = new QLabel(generalPage_);
    size_ = new QLabel(generalPage_);
    size_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    date_ = WrappingLabel(generalPage_);
    calculate_ = new QPushButton(generalPage_);
    calculate_->setAutoDefault(false);
    connect(calculate_, &QPushButton::clicked, this, &TFilePropertiesForm::CalculateSize);
    connect(name_, &QLineEdit::textEdited, this, [this] {
        nameChanged_ = true;
        UpdateApplyButton();
    });

    auto* grid = new QGridLayout(generalPage_);
    grid->setColumnStretch(1, 1);
    grid->addWidget(icon_, 0, 0);
    grid->addWidget(name_, 0, 1);
    grid->addWidget(count_, 0, 1);
    grid->addWidget(Line(generalPage_), 1, 0, 1, 2);
    grid->addWidget(type_, 2, 0, 1, 2);
    grid->addWidget(location_, 3, 0, 1, 2);
    auto* sizeRow = new QHBoxLayout;
    sizeRow->addWidget(sizeCaption_);
    sizeRow->addWidget(size_, 1);
    grid->addLayout(sizeRow, 4, 0, 1, 2);
    grid->addWidget(date_, 5, 0, 1, 2);
    grid->addWidget(Line(generalPage_), 6, 0, 1, 2);
    grid->addWidget(calculate_, 7, 0, 1, 2, Qt::AlignLeft);
    grid->setRowStretch(8, 1);
    return generalPage_;
}

QWidget* TFilePropertiesForm::BuildSecurityPage()
{
    auto* page = new QWidget(this);
    userLabel_ = new QLabel(page);
    user_ = new QLineEdit(page);
    user_->setObjectName(QStringLiteral("UserField"));
    userLabel_->setBuddy(user_);
    groupLabel_ = new QLabel(page);
    group_ = new QLineEdit(page);
    group_->setObjectName(QStringLiteral("GroupField"));
    groupLabel_->setBuddy(group_);
    connect(user_, &QLineEdit::textEdited, this, [this] {
        ownerChanged_ = true;
        UpdateApplyButton();
    });
    connect(group_, &QLineEdit::textEdited, this, [this] {
        groupChanged_ = true;
        UpdateApplyButton();
    });
    auto* form = new QFormLayout;
    form->addRow(userLabel_, user_);
    form->addRow(groupLabel_, group_);

    auto* classes = new QHBoxLayout;
    for (int cls = 0; cls < 3; ++cls) {
        auto* box = new QGroupBox(page);
        auto* column = new QVBoxLayout(box);
        for (int bit = 0; bit < 3; ++bit) {
            auto* check = new QCheckBox(box);
            check->setObjectName(QStringLiteral("Permission%1%2").arg(cls).arg(bit));
            connect(check, &QCheckBox::clicked, this, [this] {
                permissionsChanged_ = true;
                UpdateMode();
                UpdateApplyButton();
            });
            column->addWidget(check);
            boxes_[cls][bit] = check;
        }
        classBoxes_[cls] = box;
        classes->addWidget(box);
    }
    modeLabel_ = new QLabel(page);
    mode_ = new QLineEdit(page);
    mode_->setObjectName(QStringLiteral("ModeField"));
    mode_->setReadOnly(true);
    mode_->setMaximumWidth(80);
    modeLabel_->setBuddy(mode_);
    auto* modeRow = new QHBoxLayout;
    modeRow->addWidget(modeLabel_);
    modeRow->addWidget(mode_);
    modeRow->addStretch(1);

    auto* layout = new QVBoxLayout(page);
    layout->addLayout(form);
    layout->addLayout(classes);
    layout->addLayout(modeRow);
    layout->addStretch(1);
    return page;
}

void TFilePropertiesForm::RegisterTexts()
{
    texts_ = new TWindowTexts(this, QStringLiteral("FilePropertiesForm"));
    texts_->AddTitle(wtTitle, QStringLiteral("Properties"));
    texts_->AddTab(wtGeneralTab, pages_, 0, QStringLiteral("General"));
    texts_->AddTab(wtSecurityTab, pages_, 1, QStringLiteral("Security"));
    texts_->AddText(wtSize, sizeCaption_, QStringLiteral("Size:"));
    texts_->AddText(wtCalculate, calculate_, QStringLiteral("Calculate si&ze including subdirectories"));
    texts_->AddText(wtUser, userLabel_, QStringLiteral("&User:"));
    texts_->AddText(wtGroup, groupLabel_, QStringLiteral("&Group:"));
    for (int cls = 0; cls < 3; ++cls) {
        texts_->AddText(wtOwnerBox + cls, static_cast<QGroupBox*>(classBoxes_[cls]),
                        QString::fromLatin1(kClassCaptions[cls]));
        for (int bit = 0; bit < 3; ++bit)
            texts_->AddText(wtFirstPermission + cls * 3 + bit, boxes_[cls][bit], QString::fromLatin1(kBitCaptions[bit]));
    }
    texts_->AddText(wtInNumbers, modeLabel_, QStringLiteral("In num&bers:"));
    texts_->AddText(wtOK, ok_, QStringLiteral("&OK"));
    texts_->AddText(wtCancel, cancel_, QStringLiteral("&Cancel"));
    texts_->AddText(wtApply, apply_, QStringLiteral("&Apply"));
    // Texts with placeholders are composed by ShowComposedTexts.
    const auto none = [](const QString&) {};
    texts_->Add(wtTypeOfFile, QStringLiteral("Type of file: %s"), none);
    texts_->Add(wtLocation, QStringLiteral("Location: %s"), none);
    texts_->Add(wtDateModified, QStringLiteral("Date modified: %s"), none);
    texts_->Add(wtCount, QStringLiteral("%d Files, %d Folders"), none);
    texts_->Add(wtProgress, QStringLiteral("Progress"), none);
    texts_->SetOnApplied([this] { ShowComposedTexts(); });
}

void TFilePropertiesForm::ShowEntries()
{
    ShowIdentity();
    ShowComposedTexts();
    ShowTotalSize();
    ShowPermissions();
    ShowOwnerAndGroup();
    bool anyFolder = false;
    for (const TPropertyEntry& entry : entries_)
        anyFolder = anyFolder || entry.Kind == dkDirectory || entry.Kind == dkSymbolicLink;
    calculate_->setVisible(anyFolder);
    ClearChangeFlags();
}

void TFilePropertiesForm::ShowIdentity()
{
    const bool single = entries_.size() == 1;
    name_->setVisible(single);
    count_->setVisible(!single);
    date_->setVisible(single);
    QIcon icon;
    if (single) {
        const TPropertyEntry& entry = entries_.front();
        name_->setText(TextFromRemote(entry.Name));
        icon = icons_->Icon(entry.Kind == dkDirectory ? QLatin1String(TIconCache::DirectoryKey)
                                                      : TIconCache::KeyOfName(entry.Name));
    } else {
        icon = TAppIcons::ApplicationIcon();
    }
    icon_->setPixmap(icon.pixmap(32, 32));
}

void TFilePropertiesForm::ShowComposedTexts()
{
    const auto compose = [this](int entry, const char* english, const auto&... args) {
        const std::string pattern = texts_->Text(entry, QString::fromLatin1(english)).toStdString();
        return QString::fromStdString(Format(pattern, args...));
    };
    type_->setText(compose(wtTypeOfFile, "Type of file: %s", TypeText().toStdString()));
    location_->setText(compose(wtLocation, "Location: %s", TextFromRemote(worker_.CurrentDir()).toStdString()));
    if (entries_.size() == 1) {
        date_->setText(compose(wtDateModified, "Date modified: %s", entries_.front().DateText.toStdString()));
    } else {
        int files = 0, folders = 0;
        for (const TPropertyEntry& entry : entries_) {
            files += entry.Kind == dkFile ? 1 : 0;
            folders += entry.Kind == dkDirectory ? 1 : 0;
        }
        count_->setText(compose(wtCount, "%d Files, %d Folders", files, folders));
    }
}

QString TFilePropertiesForm::TypeNameOf(const TPropertyEntry& entry) const
{
    return icons_->TypeName(entry.Kind == dkDirectory ? QLatin1String(TIconCache::DirectoryKey)
                                                      : TIconCache::KeyOfName(entry.Name));
}

QString TFilePropertiesForm::TypeText() const
{
    if (entries_.empty())
        return {};
    const TPropertyEntry& first = entries_.front();
    if (entries_.size() == 1)
        return TypeNameOf(first);
    const auto extension = [](const std::string& name) {
        const std::size_t dot = name.rfind('.');
        return dot == std::string::npos ? std::string() : name.substr(dot);
    };
    bool allFiles = true, allFolders = true, sameExtension = true;
    for (const TPropertyEntry& entry : entries_) {
        allFiles = allFiles && entry.Kind == dkFile;
        allFolders = allFolders && entry.Kind == dkDirectory;
        sameExtension = sameExtension && extension(entry.Name) == extension(first.Name);
    }
    if ((allFiles && sameExtension) || allFolders)
        return QString::fromStdString(Format(LoadStr("FilePropertiesForm_IDS_1"), TypeNameOf(first).toStdString()));
    return QString::fromStdString(LoadStr("FilePropertiesForm_IDS_4"));
}

void TFilePropertiesForm::ShowPermissions()
{
    const bool unix = !entries_.empty() && entries_.front().Unix;
    for (int cls = 0; cls < 3; ++cls) {
        for (int bit = 0; bit < 3; ++bit) {
            QCheckBox* box = boxes_[cls][bit];
            box->setEnabled(unix);
            std::size_t granted = 0;
            for (const TPropertyEntry& entry : entries_)
                granted += Grants(entry.Permissions[cls], bit) ? 1 : 0;
            const bool mixed = unix && granted != 0 && granted != entries_.size();
            box->setTristate(mixed);
            box->setCheckState(!unix || granted == 0 ? Qt::Unchecked : (mixed ? Qt::PartiallyChecked : Qt::Checked));
        }
    }
    mode_->setEnabled(unix);
    if (unix)
        UpdateMode();
    else
        mode_->clear();
}

void TFilePropertiesForm::ShowOwnerAndGroup()
{
    const bool unix = !entries_.empty() && entries_.front().Unix;
    user_->setEnabled(unix);
    group_->setEnabled(unix);
    if (!unix) {
        user_->clear();
        group_->clear();
        return;
    }
    bool sameOwner = true, sameGroup = true;
    for (const TPropertyEntry& entry : entries_) {
        sameOwner = sameOwner && entry.Owner == entries_.front().Owner;
        sameGroup = sameGroup && entry.Group == entries_.front().Group;
    }
    user_->setText(sameOwner ? TextFromRemote(entries_.front().Owner)
                             : QString::fromStdString(LoadStr("FilePropertiesForm_IDS_10")));
    group_->setText(sameGroup ? TextFromRemote(entries_.front().Group)
                              : QString::fromStdString(LoadStr("FilePropertiesForm_IDS_9")));
}

QString TFilePropertiesForm::NumericMode() const
{
    QString mode;
    for (int cls = 0; cls < 3; ++cls) {
        int digit = 0;
        for (int bit = 0; bit < 3; ++bit) {
            const Qt::CheckState state = boxes_[cls][bit]->checkState();
            if (state == Qt::PartiallyChecked)
                return QStringLiteral("N/A");
            if (state == Qt::Checked)
                digit += 4 >> bit;
        }
        mode += QString::number(digit);
    }
    return mode;
}

void TFilePropertiesForm::UpdateMode()
{
    mode_->setText(NumericMode());
}

void TFilePropertiesForm::UpdateApplyButton()
{
    apply_->setEnabled(Changed());
}

void TFilePropertiesForm::ClearChangeFlags()
{
    nameChanged_ = permissionsChanged_ = ownerChanged_ = groupChanged_ = false;
    UpdateApplyButton();
}
