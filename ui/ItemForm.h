// TItemForm: the base of the six read-only item viewers. It ties a window to
// an item node (ItemId), gives every viewer its window behaviour (a top-level
// window of its own; closing only hides it) and the operations they share:
// the HTML body view, the half-hour time list and the duration box. The body
// rule, the duration table and the multi-valued string joiner are the
// toolkit-free texts of display/, reached here under the viewers' names.
// Every viewer but the sticky note lists the item's attachments in a strip
// at the top of its body panel.
#pragma once

#include <QDateTime>
#include <QString>
#include <QWidget>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "engine/uPST64Format.h"

class QComboBox;
class QFrame;
class TAttachmentStrip;
class TWebBrowser;

class TItemForm : public QWidget {
    Q_OBJECT
public:
    explicit TItemForm(QWidget* parent = nullptr);
    ~TItemForm() override;

    // The nid of the item node this window shows; 0 before it is given one.
    uint64_t ItemId = 0;

    // Fills the window from a message object. Only the contact and task
    // viewers implement it; the others have fill operations with arguments.
    virtual void ShowItem(tpstmessage* item);

    // ItemBodyText (display/BodyText.h): the HTML body of the object as is,
    // else its plain body with CR LF made "<BR>" and "<", ">", "&" escaped.
    static std::string GetItemBodyText(const tpstmessage& item);
    // MultiStringText (display/MultiString.h): a PtypMultipleString value as "A; B".
    static std::string GetCompanyList(const uint8_t* value, size_t size);
    // Shows text as the view's whole document, after clearing the previous one.
    static void SetItemBody(TWebBrowser* view, const std::string& text);
    // 48 entries, "0:00" to "23:30".
    static void SetIntervalTime(QComboBox* box);
    // DurationIndex (display/Durations.h): the list index for a minute count, or -1.
    static int GetMinutesIndex(int minutes);
    // Fills a reminder or duration box with the 24 entries of the duration list.
    static void SetDurationList(QComboBox* box);
    // A date-time value (days since 30.12.1899, the time of day as the
    // fraction) as the toolkit's date-time; out-of-range values give the base day.
    static QDateTime DateTimeOfValue(double value);
    // The short date format of the date pickers.
    static constexpr const char* kShortDateFormat = "dd.MM.yyyy";

    // Lists the attachments of `message` (kept from now on) in the strip; the
    // strip is hidden when there are none. `file` is the mailbox the message
    // was read from and must stay open while the window lives; `depth`
    // counts the messages this one is attached in.
    void ShowAttachments(tpstfile* file, std::unique_ptr<tpstmessage> message, int depth = 0);

    // The body panel and its view, for those who look at the window from outside.
    QFrame* MessagePanel() const { return PanelMessage; }
    TWebBrowser* Browser() const { return WebBrowser; }
    TAttachmentStrip* AttachmentStrip() const { return Attachments; }

signals:
    // N and P: the next (1) or previous (-1) item of the list it was opened from.
    void StepRequested(int step);

protected:
    void closeEvent(QCloseEvent* event) override;
    void AddKeys();

    // Created by the base; every viewer but the sticky note puts the view in
    // PanelMessage (a lowered inner bevel).
    QFrame* PanelMessage = nullptr;
    TWebBrowser* WebBrowser = nullptr;
    // Above the view inside PanelMessage: the body gives up only its height.
    TAttachmentStrip* Attachments = nullptr;
};
