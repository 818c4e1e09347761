#include "support/Robot.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QFileDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>
#include <algorithm>

#include "ui/CDialog.h"
#include "ui/Controls.h"

namespace ql50::test {
namespace {

constexpr int kPollMs = 10;

std::string Describe(const QWidget* window) {
    QString text =
        QStringLiteral("%1 \"%2\"")
            .arg(QString::fromLatin1(window->metaObject()->className()), window->windowTitle());
    if (const auto* box = qobject_cast<const QMessageBox*>(window)) {
        text += QStringLiteral(" saying \"%1\"").arg(box->text());
    }
    return text.toStdString();
}

// A control of the window by id; a failure of the step if it is missing.
template <class T>
T* Control(QWidget* window, int id) {
    auto* control = qobject_cast<T*>(ui::FindControl(window, id));
    if (control == nullptr) {
        ADD_FAILURE() << "no " << T::staticMetaObject.className() << " with id " << id << " in "
                      << Describe(window);
    }
    return control;
}

void Dismiss(QWidget* window) {
    auto* dialog = qobject_cast<QDialog*>(window);
    if (dialog == nullptr) {
        window->close();
    } else if (qobject_cast<ui::CDialog*>(dialog) != nullptr) {
        dialog->done(ui::kIdCancel);  // past OnCancel, which may refuse
    } else {
        dialog->reject();
    }
}

bool IsPlainDialog(QWidget* window) {
    return qobject_cast<QDialog*>(window) != nullptr &&
           qobject_cast<QMessageBox*>(window) == nullptr &&
           qobject_cast<QFileDialog*>(window) == nullptr;
}

}  // namespace

// ---- steps -------------------------------------------------------------------------------

Robot::Step::Step(QString description, std::function<bool(QWidget*)> matches)
    : description_(std::move(description)), matches_(std::move(matches)) {}

Robot::Step& Robot::Step::Add(QString what, Action action) {
    description_ += QStringLiteral(", ") + what;
    actions_.push_back(std::move(action));
    return *this;
}

Robot::Step& Robot::Step::Inspect(Action check) {
    return Add(QStringLiteral("inspect"), std::move(check));
}

Robot::Step& Robot::Step::SetText(int id, const QString& text) {
    return Add(QStringLiteral("set %1 to \"%2\"").arg(id).arg(text), [id, text](QWidget* window) {
        if (QWidget* control = ui::FindControl(window, id)) {
            ui::SetControlText(control, text);
        } else {
            ADD_FAILURE() << "no control " << id << " in " << Describe(window);
        }
    });
}

Robot::Step& Robot::Step::Check(int id, bool checked) {
    return Add(QStringLiteral("check %1 %2").arg(id).arg(checked), [id, checked](QWidget* window) {
        auto* button = Control<QAbstractButton>(window, id);
        if (button == nullptr || button->isChecked() == checked) return;
        if (!button->isEnabled()) ADD_FAILURE() << "check box " << id << " is disabled";
        button->click();
        if (button->isChecked() != checked) ADD_FAILURE() << "button " << id << " did not change";
    });
}

Robot::Step& Robot::Step::Select(int id, int index) {
    return Add(QStringLiteral("select entry %1 of %2").arg(index).arg(id),
               [id, index](QWidget* window) {
                   if (auto* combo = qobject_cast<QComboBox*>(ui::FindControl(window, id))) {
                       combo->setCurrentIndex(index);
                       emit combo->activated(index);
                   } else if (auto* list = Control<QListWidget>(window, id)) {
                       list->setCurrentRow(index);
                   }
               });
}

Robot::Step& Robot::Step::SetTime(int id, const QTime& time) {
    return Add(QStringLiteral("set time of %1").arg(id), [id, time](QWidget* window) {
        if (auto* picker = Control<QDateTimeEdit>(window, id)) picker->setTime(time);
    });
}

Robot::Step& Robot::Step::SetDate(int id, const QDate& date) {
    return Add(QStringLiteral("set date of %1").arg(id), [id, date](QWidget* window) {
        if (auto* picker = Control<QDateTimeEdit>(window, id)) picker->setDate(date);
    });
}

Robot::Step& Robot::Step::Click(int id) {
    return Add(QStringLiteral("click %1").arg(id), [id](QWidget* window) {
        auto* button = Control<QAbstractButton>(window, id);
        if (button == nullptr) return;
        if (!button->isEnabled() || !button->isVisible()) {
            ADD_FAILURE() << "button " << id << " of " << Describe(window) << " cannot be pressed";
            return;
        }
        button->click();
    });
}

Robot::Step& Robot::Step::Press(QMessageBox::StandardButton which) {
    return Add(QStringLiteral("press standard button"), [which](QWidget* window) {
        auto* box = qobject_cast<QMessageBox*>(window);
        if (QAbstractButton* button = box != nullptr ? box->button(which) : nullptr) {
            button->click();
        } else {
            ADD_FAILURE() << Describe(window) << " has no such standard button";
        }
    });
}

Robot::Step& Robot::Step::Key(int key) {
    return Add(QStringLiteral("key %1").arg(key), [key](QWidget* window) {
        QWidget* target = window->focusWidget() != nullptr ? window->focusWidget() : window;
        QTest::keyClick(target, static_cast<Qt::Key>(key));
    });
}

Robot::Step& Robot::Step::CloseBox() {
    return Add(QStringLiteral("close box"), [](QWidget* window) { window->close(); });
}

Robot::Step& Robot::Step::SaveAs(const QString& name) {
    return Add(QStringLiteral("save as \"%1\"").arg(name), [name](QWidget* window) {
        auto* dialog = qobject_cast<QFileDialog*>(window);
        if (dialog == nullptr) {
            ADD_FAILURE() << Describe(window) << " is no file dialog";
            return;
        }
        auto* field = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        if (field != nullptr) {
            field->setText(name);
        } else {
            dialog->selectFile(name);
        }
        static_cast<QDialog*>(dialog)->accept();  // QFileDialog::accept checks and confirms
    });
}

Robot::Step& Robot::Step::Cancel() {
    return Add(QStringLiteral("cancel"), [](QWidget* window) {
        if (auto* dialog = qobject_cast<QDialog*>(window)) {
            dialog->reject();
        } else {
            window->close();
        }
    });
}

Robot::Step& Robot::Step::When(std::function<bool(QWidget*)> ready) {
    ready_ = std::move(ready);
    return *this;
}

// ---- robot -------------------------------------------------------------------------------

Robot::Robot() {
    timer_.setInterval(kPollMs);
    connect(&timer_, &QTimer::timeout, this, &Robot::Tick);
    timer_.start();
}

Robot::~Robot() {
    timer_.stop();
    for (const auto& step : steps_) {
        ADD_FAILURE() << "robot step never reached: " << step->description_.toStdString();
    }
}

Robot::Step& Robot::Enqueue(QString description, std::function<bool(QWidget*)> matches) {
    if (steps_.empty()) frontSince_.start();
    steps_.push_back(std::shared_ptr<Step>(new Step(std::move(description), std::move(matches))));
    return *steps_.back();
}

Robot::Step& Robot::OnDialog(const QString& caption) {
    return Enqueue(QStringLiteral("dialog \"%1\"").arg(caption), [caption](QWidget* window) {
        return IsPlainDialog(window) && window->windowTitle() == caption;
    });
}

Robot::Step& Robot::OnTemplate(int templateId) {
    return Enqueue(QStringLiteral("dialog template %1").arg(templateId),
                   [templateId](QWidget* window) {
                       const auto* dialog = qobject_cast<ui::CDialog*>(window);
                       return dialog != nullptr && dialog->TemplateId() == templateId;
                   });
}

Robot::Step& Robot::OnMessage(const QString& textPart) {
    return Enqueue(QStringLiteral("message \"%1\"").arg(textPart), [textPart](QWidget* window) {
        const auto* box = qobject_cast<QMessageBox*>(window);
        return box != nullptr && box->text().contains(textPart);
    });
}

Robot::Step& Robot::OnFileDialog() {
    return Enqueue(QStringLiteral("file dialog"),
                   [](QWidget* window) { return qobject_cast<QFileDialog*>(window) != nullptr; });
}

Robot::Step& Robot::OnWindow(const QString& objectName) {
    return Enqueue(QStringLiteral("window %1").arg(objectName),
                   [objectName](QWidget* window) { return window->objectName() == objectName; });
}

bool Robot::Idle() const {
    return steps_.empty() && busy_.empty();
}

bool Robot::Contains(const QList<QPointer<QWidget>>& list, const QWidget* window) {
    return std::any_of(list.cbegin(), list.cend(),
                       [window](const QPointer<QWidget>& entry) { return entry.data() == window; });
}

bool Robot::Busy(const QWidget* window) const {
    return std::find(busy_.cbegin(), busy_.cend(), window) != busy_.cend();
}

void Robot::Tick() {
    QWidget* window = QApplication::activeModalWidget();
    if (window != nullptr && !window->isVisible()) window = nullptr;
    if (window != nullptr) Record(window);
    if (window == nullptr || Busy(window)) return CheckTimeout(nullptr);
    if (!steps_.empty() && steps_.front()->matches_(window)) {
        const auto& ready = steps_.front()->ready_;
        return ready && !ready(window) ? CheckTimeout(window) : Act(window);
    }
    // A window a step has answered may stay open a while (its handler is waiting for something,
    // or it showed a message and is open again for the next step).
    if (Contains(known_, window)) return CheckTimeout(window);
    Unexpected(window);
}

void Robot::Record(QWidget* window) {
    auto* box = qobject_cast<QMessageBox*>(window);
    if (box == nullptr || Contains(seen_, box)) return;
    seen_.removeAll(nullptr);
    seen_.append(box);
    messages_.append(box->text());
}

void Robot::Act(QWidget* window) {
    std::shared_ptr<Step> step = steps_.front();
    steps_.pop_front();
    frontSince_.start();
    known_.removeAll(nullptr);
    known_.append(window);
    busy_.push_back(window);
    // Queued, so that a button that opens a nested modal window does not block the robot: its
    // timer goes on ticking inside that window's loop.
    QMetaObject::invokeMethod(
        this,
        [this, guarded = QPointer<QWidget>(window), raw = window, step] {
            Run(guarded, step);
            busy_.erase(std::find(busy_.begin(), busy_.end(), raw));
        },
        Qt::QueuedConnection);
}

void Robot::Run(const QPointer<QWidget>& window, const std::shared_ptr<Step>& step) {
    for (const Action& action : step->actions_) {
        if (window.isNull()) {
            ADD_FAILURE() << "window closed during robot step: "
                          << step->description_.toStdString();
            return;
        }
        action(window.data());
    }
}

void Robot::CheckTimeout(QWidget* window) {
    if (steps_.empty() || frontSince_.elapsed() < kWaitLimitMs) return;
    ADD_FAILURE() << "robot step did not come within " << kWaitLimitMs
                  << " ms: " << steps_.front()->description_.toStdString()
                  << (window != nullptr ? "; open instead: " + Describe(window) : std::string());
    steps_.pop_front();
    frontSince_.start();
    if (window != nullptr && !Busy(window)) Dismiss(window);
}

void Robot::Unexpected(QWidget* window) {
    ADD_FAILURE() << "unexpected modal window: " << Describe(window)
                  << (steps_.empty() ? std::string(" (no step queued)")
                                     : "; expected " + steps_.front()->description_.toStdString());
    known_.append(window);
    QMetaObject::invokeMethod(
        this,
        [guarded = QPointer<QWidget>(window)] {
            if (guarded) Dismiss(guarded);
        },
        Qt::QueuedConnection);
}

}  // namespace ql50::test
