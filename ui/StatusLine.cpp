// The status line (see StatusLine.h).
#include "ui/StatusLine.h"

#include <QLabel>
#include <QProgressBar>

namespace {
constexpr int kStatusHeight = 19;
constexpr int kProgressWidth = 160;
} // namespace

TStatusLine::TStatusLine(QWidget* parent)
    : QStatusBar(parent), text_(new QLabel(this)), progress_(new QProgressBar(this)) {
    setObjectName(QStringLiteral("StatusBar1"));
    setFixedHeight(kStatusHeight);
    setSizeGripEnabled(true);
    text_->setObjectName(QStringLiteral("StatusText"));
    text_->setTextFormat(Qt::PlainText);
    text_->setContentsMargins(2, 0, 2, 0);
    // A long file name must not widen the window.
    text_->setMinimumWidth(1);
    text_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    progress_->setObjectName(QStringLiteral("StatusProgress"));
    progress_->setFixedSize(kProgressWidth, kStatusHeight - 4);
    progress_->setTextVisible(true);
    progress_->hide();
    addWidget(text_, 1);
    addPermanentWidget(progress_);
}

void TStatusLine::SetText(const QString& text) {
    text_->setText(text);
}

QString TStatusLine::Text() const {
    return text_->text();
}

void TStatusLine::StartProgress(int maximum, const QString& format) {
    progress_->setRange(0, maximum);
    progress_->setValue(0);
    progress_->setFormat(format);
    progress_->show();
}

void TStatusLine::SetProgress(int value) {
    if (value > progress_->maximum()) progress_->setMaximum(value);
    progress_->setValue(value);
}

void TStatusLine::StopProgress() {
    progress_->hide();
}
