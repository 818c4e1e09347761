#include "ui/CDialog.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPointer>
#include <QTimerEvent>

#include "ui/Controls.h"
#include "ui/DataExchange.h"
#include "ui/Placement.h"
#include "ui/UpDownControl.h"

namespace ql50::ui {

CDialog::CDialog(const DialogTemplate& dialogTemplate, QWidget* parent)
    : QDialog(parent),
      template_(dialogTemplate),
      units_(BaseUnits(TemplateFont(dialogTemplate.font, dialogTemplate.pointSize))) {
    setObjectName(QStringLiteral("dialog%1").arg(template_.id));
    setFont(TemplateFont(template_.font, template_.pointSize));
    setWindowTitle(QString::fromUtf8(template_.caption));
    ApplyWindowStyle();
    BuildControls();
}

CDialog::~CDialog() {
    KillAllTimers();
}

void CDialog::ApplyWindowStyle() {
    const unsigned style = template_.style;
    // A window that can be minimised is an ordinary top-level window: many window managers
    // (GNOME's among them) offer no minimise button for a window of the dialog type, and a
    // minimised dialog would have no entry in the task bar to come back from.
    const bool minimizable = (style & kMinimizeBox) != 0;
    Qt::WindowFlags flags = (minimizable ? Qt::Window : Qt::Dialog) | Qt::CustomizeWindowHint |
                            Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                            Qt::WindowCloseButtonHint;
    if (minimizable) flags |= Qt::WindowMinimizeButtonHint;
    if ((style & kNoCaption) != 0) flags = Qt::Dialog | Qt::FramelessWindowHint;
    setWindowFlags(flags);
    const QRect client = MapDialogRect(units_, template_.x, template_.y, template_.w, template_.h);
    setFixedSize(client.size());
    if ((style & kScreenPos) != 0) move(client.topLeft());
}

// ---- controls ----------------------------------------------------------------------------

void CDialog::BuildControls() {
    openRadioGroup_ = nullptr;
    for (const ControlTemplate& control : template_.controls) AddControl(control);
    // A group box only frames the controls around it; kept at the back it never covers them.
    for (QWidget* control : controls_) {
        if (qobject_cast<QGroupBox*>(control) != nullptr) control->lower();
    }
}

void CDialog::AddControl(const ControlTemplate& control) {
    QWidget* widget = CreateControl(control, this);
    QRect rect = MapDialogRect(units_, control.x, control.y, control.w, control.h);
    // A drop-down list's template height includes its open list; closed it is one line high.
    if (qobject_cast<QComboBox*>(widget) != nullptr) {
        rect.setHeight(std::min(rect.height(), widget->sizeHint().height()));
    }
    widget->setGeometry(rect);
    controls_.append(widget);
    if (control.id != -1 && !items_.contains(control.id)) items_.insert(control.id, widget);
    if (control.kind == Ctl::Radio) {
        JoinRadioGroup(widget, control.style);
    } else if ((control.style & kGroup) != 0) {
        openRadioGroup_ = nullptr;
    }
    if (control.id != -1) ConnectControl(control.id, widget);
}

void CDialog::JoinRadioGroup(QWidget* radio, unsigned style) {
    if ((style & kGroup) != 0 || openRadioGroup_ == nullptr) {
        openRadioGroup_ = new QButtonGroup(this);
        radioGroups_.append(openRadioGroup_);
    }
    openRadioGroup_->addButton(static_cast<QAbstractButton*>(radio));
}

void CDialog::ConnectControl(int id, QWidget* widget) {
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        connect(button, &QAbstractButton::clicked, this, [this, id] { Clicked(id); });
    } else if (auto* combo = qobject_cast<QComboBox*>(widget)) {
        connect(combo, &QComboBox::activated, this, [this, id] {
            if (const auto handler = selChanges_.value(id)) handler();
        });
    } else if (auto* upDown = qobject_cast<UpDownControl*>(widget)) {
        connect(upDown, &UpDownControl::Scrolled, this, [this, id](int pos) {
            if (const auto handler = scrolls_.value(id)) handler(pos);
        });
    }
}

void CDialog::DestroyControls() {
    // Deleted later: a handler of one of these controls may be what reopens the window.
    for (QWidget* control : controls_) {
        control->hide();
        control->setObjectName(QString());
        control->deleteLater();
    }
    qDeleteAll(radioGroups_);
    radioGroups_.clear();
    controls_.clear();
    items_.clear();
    openRadioGroup_ = nullptr;
}

QWidget* CDialog::Item(int id) const {
    return items_.value(id);
}

void CDialog::SetItemText(int id, const QString& text) {
    if (QWidget* item = Item(id)) SetControlText(item, text);
}

QString CDialog::ItemText(int id) const {
    const QWidget* item = Item(id);
    return item != nullptr ? ControlText(item) : QString();
}

void CDialog::EnableItem(int id, bool enable) {
    if (QWidget* item = Item(id)) item->setEnabled(enable);
}

void CDialog::ShowItem(int id, bool show) {
    if (QWidget* item = Item(id)) item->setVisible(show);
}

void CDialog::SetItemIcon(int id, const QIcon& icon) {
    if (auto* label = ItemAs<QLabel>(id)) {
        label->setPixmap(icon.pixmap(32, 32));
    }
}

QButtonGroup* CDialog::RadioGroupOf(int firstId) const {
    auto* button = ItemAs<QAbstractButton>(firstId);
    return button != nullptr ? button->group() : nullptr;
}

// ---- handlers ----------------------------------------------------------------------------

void CDialog::OnCommand(int id, std::function<void()> handler) {
    commands_.insert(id, std::move(handler));
}

void CDialog::OnSelChange(int id, std::function<void()> handler) {
    selChanges_.insert(id, std::move(handler));
}

void CDialog::OnScroll(int id, std::function<void(int)> handler) {
    scrolls_.insert(id, std::move(handler));
}

void CDialog::Clicked(int id) {
    // A copy: the handler may bind another one to the same id while it runs.
    if (const auto handler = commands_.value(id)) {
        handler();
    } else if (id == kIdOk) {
        OnOK();
    } else if (id == kIdCancel) {
        OnCancel();
    }
}

bool CDialog::OnInitDialog() {
    UpdateData(false);
    return true;
}

void CDialog::OnOK() {
    if (UpdateData(true)) EndDialog(kIdOk);
}

void CDialog::OnCancel() {
    EndDialog(kIdCancel);
}

void CDialog::OnClose() {
    OnCancel();
}

void CDialog::OnTimer(int /*id*/) {}

void CDialog::DoDataExchange(DataExchange& /*dx*/) {}

bool CDialog::UpdateData(bool save) {
    DataExchange dx(*this, save);
    DoDataExchange(dx);
    return !dx.Failed();
}

// ---- timers ------------------------------------------------------------------------------

void CDialog::SetTimer(int id, int ms) {
    KillTimer(id);
    timers_.insert(id, startTimer(ms));
}

void CDialog::KillTimer(int id) {
    const auto found = timers_.constFind(id);
    if (found == timers_.cend()) return;
    killTimer(found.value());
    timers_.erase(found);
}

void CDialog::KillAllTimers() {
    for (const int timer : std::as_const(timers_)) killTimer(timer);
    timers_.clear();
}

void CDialog::timerEvent(QTimerEvent* event) {
    for (auto it = timers_.cbegin(); it != timers_.cend(); ++it) {
        if (it.value() == event->timerId()) {
            OnTimer(it.key());
            return;
        }
    }
    QDialog::timerEvent(event);
}

// ---- window lifetime ---------------------------------------------------------------------

bool CDialog::OpenWindow() {
    if (stale_) {
        DestroyControls();
        BuildControls();
        stale_ = false;
    }
    open_ = true;
    endRequested_ = false;
    endResult_ = kIdCancel;  // what a window closed other than by EndDialog returns
    OnInitDialog();
    return !endRequested_;  // false: the dialog ended itself while initialising
}

void CDialog::CloseWindow() {
    open_ = false;
    modal_ = false;
    stale_ = true;
    KillAllTimers();
}

int CDialog::DoModal() {
    if (open_) return -1;
    modal_ = true;
    if (!OpenWindow()) {
        CloseWindow();
        return endResult_;
    }
    setWindowModality(Qt::ApplicationModal);
    KeepInView::Place(this);
    const QPointer<CDialog> alive(this);
    exec();
    if (alive.isNull()) return kIdCancel;
    CloseWindow();
    return endResult_;
}

bool CDialog::Create(QWidget* parent) {
    if (open_) DestroyWindow();
    if (parent != nullptr && parent != parentWidget()) setParent(parent, windowFlags());
    setWindowModality(Qt::NonModal);
    if (!OpenWindow()) {
        CloseWindow();
        return false;
    }
    show();
    return true;
}

void CDialog::DestroyWindow() {
    if (!open_) return;
    if (modal_) {
        EndDialog(kIdCancel);  // DoModal closes the window when its loop has ended
        return;
    }
    ending_ = true;
    hide();
    ending_ = false;
    CloseWindow();
}

void CDialog::EndDialog(int result) {
    done(result);
}

void CDialog::done(int result) {
    endRequested_ = true;
    endResult_ = result;
    ending_ = true;
    QDialog::done(result);  // closes the window and leaves a modal loop
    ending_ = false;
    if (open_ && !modal_) CloseWindow();
}

void CDialog::closeEvent(QCloseEvent* event) {
    if (ending_ || !open_) {
        event->accept();
        return;
    }
    // The close box: the dialog decides, as for Esc; ending it hides the window.
    event->ignore();
    OnClose();
}

}  // namespace ql50::ui
