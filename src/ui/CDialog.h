// The dialog base of every window of the program: built from a template, controls addressed by
// id, buttons bound to handlers, timers by numeric id, modal and modeless use, and the exchange
// between the dialog's members and its controls.
#pragma once

#include <QDialog>
#include <QHash>
#include <QIcon>
#include <QList>
#include <functional>

#include "ui/DialogTemplate.h"
#include "ui/DialogUnits.h"

class QButtonGroup;

namespace ql50::ui {

class DataExchange;

// Results of DoModal and the ids of the OK and Cancel buttons.
inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;

class CDialog : public QDialog {
    Q_OBJECT
public:
    // Controls exist from construction on. Each later DoModal or Create after the window was
    // closed builds them anew from the template, so a dialog object that is shown again starts
    // from the template's texts and states, and OnInitDialog fills it from the members.
    explicit CDialog(const DialogTemplate& dialogTemplate, QWidget* parent = nullptr);
    ~CDialog() override;

    int TemplateId() const { return template_.id; }
    const DialogUnits& Units() const { return units_; }

    // Controls by id; nullptr for an id the template does not have.
    QWidget* Item(int id) const;
    template <class T>
    T* ItemAs(int id) const {
        return dynamic_cast<T*>(Item(id));
    }
    void SetItemText(int id, const QString& text);
    QString ItemText(int id) const;
    void EnableItem(int id, bool enable = true);
    void ShowItem(int id, bool show = true);
    void SetItemIcon(int id, const QIcon& icon);
    void SetCaption(const QString& caption) { setWindowTitle(caption); }
    QString Caption() const { return windowTitle(); }

    // Handlers by control id. They stay bound when the controls are built anew.
    // A click on button id runs its handler; without one, id 1 runs OnOK and id 2 OnCancel.
    void OnCommand(int id, std::function<void()> handler);
    // The user picked another entry of drop-down list id (not sent for changes made by code).
    void OnSelChange(int id, std::function<void()> handler);
    // The user moved up-down control id; the argument is its new position.
    void OnScroll(int id, std::function<void(int)> handler);

    // Timers by id: OnTimer(id) every ms milliseconds until KillTimer(id) or the window closes.
    // SetTimer with a running id restarts it with the new period.
    void SetTimer(int id, int ms);
    void KillTimer(int id);
    bool HasTimer(int id) const { return timers_.contains(id); }

    // Modal use: runs until EndDialog; returns its result (kIdOk, kIdCancel or another value).
    // The window opens clear of the area a KeepInView (Placement.h) keeps in view, if any.
    int DoModal();
    void EndDialog(int result);
    // Modeless use: shown without a modal loop until DestroyWindow (or EndDialog). A parent
    // given here replaces the one given at construction. Creating a window that is open
    // destroys and creates it again.
    bool Create(QWidget* parent = nullptr);
    void DestroyWindow();
    bool IsOpen() const { return open_; }

    // save true: controls to members (validated; false after the first failed rule, which has
    // shown its message and focused its control). save false: members to controls.
    bool UpdateData(bool save = true);

    // QDialog's own entry points lead to the dialog's handlers.
    void accept() override { OnOK(); }
    void reject() override { OnCancel(); }
    void done(int result) override;

protected:
    // Called after the controls exist and before the window shows. Default: UpdateData(false).
    // Returning false says the handler has placed the focus itself.
    virtual bool OnInitDialog();
    // Default: UpdateData(true), then EndDialog(kIdOk) only if that succeeded.
    virtual void OnOK();
    // Button 2, Esc. Default: EndDialog(kIdCancel).
    virtual void OnCancel();
    // The close box. Default: OnCancel().
    virtual void OnClose();
    virtual void OnTimer(int id);
    virtual void DoDataExchange(DataExchange& dx);

    void timerEvent(QTimerEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    friend class DataExchange;

    void ApplyWindowStyle();
    void BuildControls();
    void DestroyControls();
    void AddControl(const ControlTemplate& control);
    void JoinRadioGroup(QWidget* radio, unsigned style);
    void ConnectControl(int id, QWidget* widget);
    void Clicked(int id);
    bool OpenWindow();
    void CloseWindow();
    void KillAllTimers();
    QButtonGroup* RadioGroupOf(int firstId) const;

    const DialogTemplate template_;
    DialogUnits units_;
    QHash<int, QWidget*> items_;
    QList<QWidget*> controls_;  // every control, also those without id, in template order
    QList<QButtonGroup*> radioGroups_;
    QButtonGroup* openRadioGroup_ = nullptr;
    QHash<int, std::function<void()>> commands_;
    QHash<int, std::function<void()>> selChanges_;
    QHash<int, std::function<void(int)>> scrolls_;
    QHash<int, int> timers_;  // dialog timer id -> QObject timer id
    bool stale_ = false;      // controls were used by a window that has closed
    bool open_ = false;
    bool modal_ = false;
    bool ending_ = false;        // inside done(): newer Qt versions send a close event from there
    bool endRequested_ = false;  // EndDialog ran since the window opened
    int endResult_ = kIdCancel;
};

}  // namespace ql50::ui
