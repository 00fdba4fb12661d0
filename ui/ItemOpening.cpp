// How the main window opens an item (see Main.h): the click that counts, the
// window found again by its item, the window made by the item's kind, and
// the arguments each kind of viewer is filled with.
#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTreeView>

#include <memory>

#include "display/AttachmentRows.h"
#include "display/MultiString.h"
#include "engine/messaging/FileTime.h"
#include "engine/messaging/Subject.h"
#include "ui/AppointmentItem.h"
#include "ui/ContactItem.h"
#include "ui/ImageList.h"
#include "ui/ItemListModel.h"
#include "ui/JournalItem.h"
#include "ui/Main.h"
#include "ui/MessageItem.h"
#include "ui/StickyNoteItem.h"
#include "ui/TaskItem.h"

namespace {

std::string Companies(const tpstmessage& m) {
    if (!m.Companies || !m.Companies->Data) return {};
    const std::string& data = *m.Companies->Data;
    return MultiStringText(reinterpret_cast<const uint8_t*>(data.data()), data.size());
}

void ShowAppointment(TAppointmentForm& form, const tpstmessage& m) {
    if (!m.Appointment) return;
    const tappointmentinfo& a = *m.Appointment;
    // The stored values are signed 32-bit; a negative label or status selects nothing.
    form.ShowAppointment(SubjectText(m), TextOf(a.Location), int32_t(a.Color),
                         FileTimeToDateTime(a.StartTime), FileTimeToDateTime(a.EndTime),
                         a.AllDay != 0, a.ReminderSet != 0, int(int32_t(a.ReminderDelta)),
                         int32_t(a.BusyStatus), TItemForm::GetItemBodyText(m));
}

void ShowJournal(TJournalForm& form, const tpstmessage& m) {
    if (!m.Journal) return;
    const tjournalinfo& j = *m.Journal;
    form.ShowJournalRecord(SubjectText(m), TextOf(j.LogType), Companies(m),
                           FileTimeToDateTime(j.StartTime), j.Duration,
                           TItemForm::GetItemBodyText(m));
}

} // namespace

bool TMainForm::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ListView2 && event->type() == QEvent::KeyPress &&
        ListKeyPress(static_cast<QKeyEvent*>(event)))
        return true;
    if (watched == ListView2->viewport() && event->type() == QEvent::MouseButtonRelease) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        ListView2MouseUp(mouse->button(), mouse->position().toPoint());
    }
    return QMainWindow::eventFilter(watched, event);
}

void TMainForm::ListView2MouseUp(Qt::MouseButton button, const QPoint& pos) {
    // Items open on a release of the left button only; the keyboard only selects.
    if (button != Qt::LeftButton || work_ != TWork::None || !PstFile) return;
    QModelIndex index = ListView2->indexAt(pos);
    if (index.isValid()) OpenItemRow(index.row());
}

void TMainForm::OpenItemRow(int row) {
    tnodeentry* node = NodeOfListRow(row);
    if (!node) {
        if (CurrentForm) {
            CurrentForm->show();
            CurrentForm->raise();
            CurrentForm->activateWindow();
        }
        return;
    }
    FreeMessage(PstFile->CurrentObject);
    PstFile->CurrentNode = node;
    tnodeentry* next = nullptr;
    PstFile->GetNextItem(node, kAnyKind, next, PstFile->CurrentObject);
    tpstmessage* item = PstFile->CurrentObject.get();
    CurrentForm = FindViewer(node->nid);
    // An object that cannot be read again has no kind to choose a window by: nothing opens.
    if (!CurrentForm && item) CurrentForm = CreateViewer(item->Kind, node->nid);
    if (!CurrentForm) return;
    CurrentForm->show();
    CurrentForm->raise();
    if (item && item->MailInfo) ShowItemInForm(CurrentForm, item);
    CurrentForm->show();
    CurrentForm->raise();
    CurrentForm->activateWindow();
}

TItemForm* TMainForm::FindViewer(uint64_t nid) const {
    for (QWidget* window : QApplication::topLevelWidgets()) {
        auto* form = qobject_cast<TItemForm*>(window);
        if (form && form->ItemId == nid) return form;
    }
    return nullptr;
}

TItemForm* TMainForm::CreateViewer(int32_t kind, uint64_t nid) {
    // Viewers are top-level windows without a parent: the list of the
    // application's windows finds them again, and DestroyViewers ends them.
    std::unique_ptr<TItemForm> form;
    int icon = kContactIcon;
    switch (kind) {
    case kKindMail:
        form = std::make_unique<TMessageForm>();
        icon = kMailIcon;
        break;
    case kKindAppointment:
        form = std::make_unique<TAppointmentForm>();
        icon = kCalendarIcon;
        break;
    case kKindContact:
        form = std::make_unique<TContactForm>();
        break;
    case kKindJournal:
        form = std::make_unique<TJournalForm>();
        break;
    case kKindStickyNote:
        form = std::make_unique<TStickyNoteForm>();
        break;
    case kKindTask:
        form = std::make_unique<TTaskForm>();
        break;
    default:
        return nullptr;
    }
    form->setWindowIcon(QIcon(ostrel::ui::ImageListIcon(icon)));
    form->ItemId = nid;
    TItemForm* made = form.get();
    connect(made, &TItemForm::StepRequested, this,
            [this, made](int step) { StepViewer(made, step); });
    Viewers.push_back(std::move(form));
    return Viewers.back().get();
}

void TMainForm::ShowItemInForm(TItemForm* form, tpstmessage* item) {
    if (!form || !item) return;
    if (auto* message = qobject_cast<TMessageForm*>(form)) {
        if (item->MailInfo) message->ShowMessageObject(*item);
    } else if (auto* appointment = qobject_cast<TAppointmentForm*>(form)) {
        ShowAppointment(*appointment, *item);
    } else if (auto* note = qobject_cast<TStickyNoteForm*>(form)) {
        if (item->StickyNote)
            note->ShowStickyNote(TItemForm::GetItemBodyText(*item),
                                 FileTimeToDateTime(item->LastModificationTime));
    } else if (auto* journal = qobject_cast<TJournalForm*>(form)) {
        ShowJournal(*journal, *item);
    } else {
        // The contact and task viewers read the object themselves.
        form->ShowItem(item);
    }
    if (!qobject_cast<TStickyNoteForm*>(form)) ShowItemAttachments(form, item);
}

void TMainForm::ShowItemAttachments(TItemForm* form, const tpstmessage* item) {
    // The strip keeps an object of its own: the mailbox's current object
    // is replaced by the next item opened.
    std::unique_ptr<tpstmessage> own;
    if (!AttachmentRows(*item).empty())
        own = BuildMessage(&PstFile->Engine, FindNode(&PstFile->Engine, form->ItemId));
    form->ShowAttachments(&PstFile->Engine, std::move(own));
}

void TMainForm::DestroyViewers() {
    CurrentForm = nullptr;
    Viewers.clear();
}
