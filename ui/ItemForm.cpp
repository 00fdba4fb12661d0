// The viewer base (see ItemForm.h): window behaviour and the operations
// every viewer shares.
#include "ui/ItemForm.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QFrame>
#include <QVBoxLayout>

#include <algorithm>
#include <array>
#include <cmath>
#include <string>

#include "ui/WebBrowser.h"

namespace {

// The duration list: entry texts and their minute counts, in list order.
struct tduration {
    const char* Text;
    int Minutes;
};
constexpr std::array<tduration, 24> kDurations = {{
    {"0 min.", 0},    {"5 min.", 5},    {"10 min.", 10},   {"15 min.", 15},   {"30 min.", 30},
    {"1 h.", 60},     {"2 h.", 120},    {"3 h.", 180},     {"4 h.", 240},     {"5 h.", 300},
    {"6 h.", 360},    {"7 h.", 420},    {"8 h.", 480},     {"9 h.", 540},     {"10 h.", 600},
    {"11 h.", 660},   {"0,5 day", 720}, {"18 h.", 1080},   {"1 day", 1440},   {"2 days", 2880},
    {"3 days", 4320}, {"4 days", 5760}, {"1 week", 10080}, {"2 week", 20160},
}};

uint32_t ReadU32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

std::string EscapedPlainBody(const std::string& body) {
    std::string out;
    out.reserve(body.size() + body.size() / 8);
    for (size_t i = 0; i < body.size(); ++i) {
        char c = body[i];
        if (c == '\r' && i + 1 < body.size() && body[i + 1] == '\n') {
            out += "<BR>";
            ++i;
        } else if (c == '<') {
            out += "&lt;";
        } else if (c == '>') {
            out += "&gt;";
        } else if (c == '&') {
            out += "&amp;";
        } else {
            out += c;
        }
    }
    return out;
}

// An entry ends at its first zero unit: writers often store the terminator too.
std::string Utf16ToText(const uint8_t* p, size_t units) {
    std::u16string wide;
    wide.reserve(units);
    for (size_t i = 0; i < units; ++i) {
        char16_t unit = char16_t(p[2 * i] | p[2 * i + 1] << 8);
        if (unit == 0) break;
        wide += unit;
    }
    return QString::fromUtf16(wide.data(), qsizetype(wide.size())).toStdString();
}

} // namespace

TItemForm::TItemForm(QWidget* parent) : QWidget(parent, Qt::Window) {
    // A window of its own: the main window neither owns nor closes it.
    setAttribute(Qt::WA_DeleteOnClose, false);
    PanelMessage = new QFrame(this);
    PanelMessage->setObjectName(QStringLiteral("PanelMessage"));
    PanelMessage->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    PanelMessage->setLineWidth(1);
    auto* layout = new QVBoxLayout(PanelMessage);
    layout->setContentsMargins(1, 1, 1, 1);
    WebBrowser = new TWebBrowser(PanelMessage);
    layout->addWidget(WebBrowser);
}

TItemForm::~TItemForm() = default;

void TItemForm::ShowItem(tpstmessage*) {}

void TItemForm::closeEvent(QCloseEvent* event) {
    // Closing only hides: the window keeps its item and comes back when it is clicked.
    event->ignore();
    hide();
}

std::string TItemForm::GetItemBodyText(const tpstmessage& item) {
    if (!item.MailInfo) return {};
    // The engine's texts carry their terminator; the body ends there.
    if (item.MailInfo->BodyHtml) return item.MailInfo->BodyHtml->c_str();
    if (item.MailInfo->Body) return EscapedPlainBody(item.MailInfo->Body->c_str());
    return {};
}

std::string TItemForm::GetCompanyList(const uint8_t* value, size_t size) {
    if (!value || size < 4) return {};
    uint64_t count = ReadU32(value);
    // Each entry needs its 4-byte offset: a count beyond that is damage.
    if (count == 0 || count > (size - 4) / 4) return {};
    std::string joined;
    for (uint64_t i = 0; i < count; ++i) {
        size_t from = ReadU32(value + 4 + 4 * i);
        size_t to = i + 1 < count ? ReadU32(value + 8 + 4 * i) : size;
        if (i > 0) joined += "; ";
        if (from >= to || to > size) continue;
        joined += Utf16ToText(value + from, (to - from) / 2);
    }
    return joined;
}

void TItemForm::SetItemBody(TWebBrowser* view, const std::string& text) {
    if (!view) return;
    view->ShowDocument(QString::fromStdString(text));
}

void TItemForm::SetIntervalTime(QComboBox* box) {
    box->clear();
    for (int i = 0; i < 48; ++i)
        box->addItem(
            QStringLiteral("%1:%2").arg(i / 2).arg(i % 2 ? 30 : 0, 2, 10, QLatin1Char('0')));
}

int TItemForm::GetMinutesIndex(int minutes) {
    for (size_t i = 0; i < kDurations.size(); ++i)
        if (kDurations[i].Minutes == minutes) return int(i);
    return -1;
}

void TItemForm::SetDurationList(QComboBox* box) {
    box->clear();
    for (const tduration& d : kDurations)
        box->addItem(QString::fromLatin1(d.Text));
}

QDateTime TItemForm::DateTimeOfValue(double value) {
    const QDate base(1899, 12, 30);
    if (!std::isfinite(value) || std::fabs(value) > 3.0e6) return QDateTime(base, QTime(0, 0));
    double days = std::trunc(value);
    // Before the base day the fraction still counts forward into the day.
    int64_t ms = std::llround(std::fabs(value - days) * 86400000.0);
    ms = std::min<int64_t>(ms, 86400000 - 1);
    return QDateTime(base.addDays(qint64(days)), QTime::fromMSecsSinceStartOfDay(int(ms)));
}
