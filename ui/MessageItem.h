// TMessageForm: the read-only window of one mail message: sender,
// recipients, copy recipients, subject, sent time, the attachments and the
// body. A long sender is cut short of the "Sent:" label.
#pragma once

#include <QString>

#include <string>

#include "ui/ItemForm.h"

class QLabel;

class TMessageForm : public TItemForm {
    Q_OBJECT
public:
    explicit TMessageForm(QWidget* parent = nullptr);
    ~TMessageForm() override;

    // Texts are 8-bit as the engine holds them (UTF-8); sent is a local
    // date-time value (0 when absent).
    void ShowMessageItem(const std::string& from, const std::string& to, const std::string& cc,
                         const std::string& subject, double sent, const std::string& body);

    // The fields of a message object (an item or an attached message).
    void ShowMessageObject(const tpstmessage& message);

    // "Sun 07.02.2010 14:05", English day names.
    static QString FormatSent(double dateTime);

    QWidget* PanelInfo = nullptr;
    QLabel* LFrom = nullptr;
    QLabel* LTo = nullptr;
    QLabel* LCopy = nullptr;
    QLabel* LSubject = nullptr;
    QLabel* LSent = nullptr;
    QLabel* LabelFrom = nullptr;
    QLabel* LabelTo = nullptr;
    QLabel* LabelCopy = nullptr;
    QLabel* LabelSubject = nullptr;
    QLabel* LabelSent = nullptr;

protected:
    void resizeEvent(QResizeEvent* event) override;

    // The sender as given; LabelFrom shows it cut to the room before "Sent:".
    QString FullSender;

private:
    void ArrangeControls();
    void ElideSender();
};
