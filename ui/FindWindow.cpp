// The Find window (see FindWindow.h).
#include "ui/FindWindow.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <climits>

#include "ui/ItemForm.h"

namespace {

constexpr int kMinimumWidth = 420;
// FILETIME: 100-nanosecond units since 1601-01-01, which is this many seconds before 1970.
constexpr int64_t kFileTimeEpochOffset = 11644473600LL;
constexpr int64_t kFileTimeUnitsPerSecond = 10000000LL;

uint64_t FileTimeOfLocalDay(const QDate& day) {
    const int64_t seconds = QDateTime(day, QTime(0, 0)).toSecsSinceEpoch();
    return uint64_t(std::max<int64_t>(seconds + kFileTimeEpochOffset, 0)) *
           uint64_t(kFileTimeUnitsPerSecond);
}

QCheckBox* CheckBox(const QString& caption, const QString& name, QWidget* parent) {
    auto* box = new QCheckBox(caption, parent);
    box->setObjectName(name);
    box->setChecked(true);
    return box;
}

QDateEdit* DateEdit(const QString& name, QWidget* parent) {
    auto* edit = new QDateEdit(QDate::currentDate(), parent);
    edit->setObjectName(name);
    edit->setCalendarPopup(true);
    edit->setDisplayFormat(QString::fromLatin1(TItemForm::kShortDateFormat));
    edit->setEnabled(false);
    return edit;
}

} // namespace

TFindWindow::TFindWindow(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("FindWindow"));
    setWindowTitle(QStringLiteral("Find"));
    setModal(false);
    setMinimumWidth(kMinimumWidth);

    TextEdit = new QLineEdit(this);
    TextEdit->setObjectName(QStringLiteral("TextEdit"));
    TextEdit->setPlaceholderText(QStringLiteral("Text to find"));

    auto* where = new QGroupBox(QStringLiteral("Look in"), this);
    auto* whereLayout = new QHBoxLayout(where);
    SubjectBox = CheckBox(QStringLiteral("Subject"), QStringLiteral("SubjectBox"), where);
    PeopleBox = CheckBox(QStringLiteral("People"), QStringLiteral("PeopleBox"), where);
    PeopleBox->setToolTip(QStringLiteral("Sender and recipients, names and addresses"));
    BodyBox = CheckBox(QStringLiteral("Body"), QStringLiteral("BodyBox"), where);
    AttachmentsBox =
        CheckBox(QStringLiteral("Attachment names"), QStringLiteral("AttachmentsBox"), where);
    for (QCheckBox* box : {SubjectBox, PeopleBox, BodyBox, AttachmentsBox}) {
        whereLayout->addWidget(box);
        connect(box, &QCheckBox::toggled, this, &TFindWindow::UpdateFindButton);
    }
    WholeWordsBox =
        CheckBox(QStringLiteral("Whole words only"), QStringLiteral("WholeWordsBox"), this);
    WholeWordsBox->setChecked(false);

    auto* folders = new QGroupBox(QStringLiteral("Folders"), this);
    auto* foldersLayout = new QHBoxLayout(folders);
    AllFoldersButton = new QRadioButton(QStringLiteral("All folders"), folders);
    AllFoldersButton->setObjectName(QStringLiteral("AllFoldersButton"));
    AllFoldersButton->setChecked(true);
    SelectedFolderButton =
        new QRadioButton(QStringLiteral("Selected folder and those below it"), folders);
    SelectedFolderButton->setObjectName(QStringLiteral("SelectedFolderButton"));
    foldersLayout->addWidget(AllFoldersButton);
    foldersLayout->addWidget(SelectedFolderButton);

    auto* dates = new QGroupBox(QStringLiteral("Dates"), this);
    auto* datesLayout = new QHBoxLayout(dates);
    FromBox = CheckBox(QStringLiteral("From"), QStringLiteral("FromBox"), dates);
    FromBox->setChecked(false);
    FromDate = DateEdit(QStringLiteral("FromDate"), dates);
    ToBox = CheckBox(QStringLiteral("To"), QStringLiteral("ToBox"), dates);
    ToBox->setChecked(false);
    ToDate = DateEdit(QStringLiteral("ToDate"), dates);
    connect(FromBox, &QCheckBox::toggled, FromDate, &QWidget::setEnabled);
    connect(ToBox, &QCheckBox::toggled, ToDate, &QWidget::setEnabled);
    datesLayout->addWidget(FromBox);
    datesLayout->addWidget(FromDate);
    datesLayout->addWidget(ToBox);
    datesLayout->addWidget(ToDate);
    datesLayout->addStretch();

    Progress = new QProgressBar(this);
    Progress->setObjectName(QStringLiteral("Progress"));
    Progress->setRange(0, 1);
    Progress->setValue(0);
    StatusLabel = new QLabel(this);
    StatusLabel->setObjectName(QStringLiteral("StatusLabel"));

    auto* buttons = new QDialogButtonBox(this);
    FindButton = buttons->addButton(QStringLiteral("Find"), QDialogButtonBox::AcceptRole);
    FindButton->setObjectName(QStringLiteral("FindButton"));
    FindButton->setDefault(true);
    StopButton = buttons->addButton(QStringLiteral("Stop"), QDialogButtonBox::ActionRole);
    StopButton->setObjectName(QStringLiteral("StopButton"));
    StopButton->setEnabled(false);
    QPushButton* close = buttons->addButton(QDialogButtonBox::Close);
    connect(FindButton, &QPushButton::clicked, this, [this] {
        if (!running_ && FindButton->isEnabled()) emit FindRequested();
    });
    connect(StopButton, &QPushButton::clicked, this, [this] { stop_ = true; });
    connect(close, &QPushButton::clicked, this, [this] {
        stop_ = true;
        hide();
    });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(TextEdit);
    layout->addWidget(where);
    layout->addWidget(WholeWordsBox);
    layout->addWidget(folders);
    layout->addWidget(dates);
    layout->addWidget(Progress);
    layout->addWidget(StatusLabel);
    layout->addWidget(buttons);
}

void TFindWindow::UpdateFindButton() {
    const bool anyField = SubjectBox->isChecked() || PeopleBox->isChecked() ||
                          BodyBox->isChecked() || AttachmentsBox->isChecked();
    FindButton->setEnabled(!running_ && anyField);
}

ostrel::search::tsearchquery TFindWindow::Query() const {
    using namespace ostrel::search;
    unsigned fields =
        (SubjectBox->isChecked() ? kInSubject : 0u) | (PeopleBox->isChecked() ? kInPeople : 0u) |
        (BodyBox->isChecked() ? kInBody : 0u) | (AttachmentsBox->isChecked() ? kInAttachments : 0u);
    tsearchquery query = MakeQuery(TextEdit->text().toStdString(), fields);
    query.WholeWords = WholeWordsBox->isChecked();
    if (FromBox->isChecked()) query.From = FileTimeOfLocalDay(FromDate->date());
    // The To day counts whole: the range ends where the next day begins.
    if (ToBox->isChecked()) query.Before = FileTimeOfLocalDay(ToDate->date().addDays(1));
    return query;
}

bool TFindWindow::SelectedFolderOnly() const {
    return SelectedFolderButton->isChecked();
}

void TFindWindow::SearchStarted() {
    stop_ = false;
    running_ = true;
    UpdateFindButton();
    StopButton->setEnabled(true);
    Progress->setRange(0, 0);
    StatusLabel->setText(QStringLiteral("Searching..."));
}

void TFindWindow::SetProgress(uint64_t examined, uint64_t total) {
    const int most = int(std::min<uint64_t>(std::max<uint64_t>(total, 1), INT_MAX));
    Progress->setRange(0, most);
    Progress->setValue(int(std::min<uint64_t>(examined, uint64_t(most))));
}

void TFindWindow::SearchEnded(const QString& status) {
    running_ = false;
    StopButton->setEnabled(false);
    UpdateFindButton();
    StatusLabel->setText(status);
}
