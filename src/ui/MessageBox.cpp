#include "ui/MessageBox.h"

#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>

#include "ui/CDialog.h"
#include "ui/Placement.h"

namespace ql50::ui {
namespace {

QMessageBox::Icon QtIcon(Icon icon) {
    switch (icon) {
        case Icon::None:
            return QMessageBox::NoIcon;
        case Icon::Information:
            return QMessageBox::Information;
        case Icon::Warning:
            return QMessageBox::Warning;
        case Icon::Error:
            return QMessageBox::Critical;
        case Icon::Question:
            return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

// Shows the box with OK and, if `otherButton` is given, a second button; returns the id of the
// button pressed.
int ShowBox(QWidget* parent, const QString& text, Icon icon, const QString& caption,
            const QString& offer = {}, const QString& otherButton = {}, int otherId = 0) {
    if (parent == nullptr) parent = QApplication::activeModalWidget();
    // On the heap: whatever destroys the owner while the box waits takes the box with it.
    QPointer<QMessageBox> box = new QMessageBox(parent);
    box->setObjectName(QStringLiteral("MessageBox"));
    box->setWindowTitle(caption.isEmpty() ? AppTitle() : caption);
    box->setTextFormat(Qt::PlainText);
    box->setText(text);
    box->setInformativeText(offer);
    box->setIcon(QtIcon(icon));
    box->setStandardButtons(QMessageBox::Ok);
    box->button(QMessageBox::Ok)->setObjectName(QString::number(kIdOk));
    QPushButton* other = nullptr;
    if (!otherButton.isEmpty()) {
        other = box->addButton(otherButton, QMessageBox::ActionRole);
        other->setObjectName(QString::number(otherId));
    }
    box->setWindowModality(Qt::ApplicationModal);
    KeepInView::Place(box);
    box->exec();
    const bool otherPressed = box && other != nullptr && box->clickedButton() == other;
    delete box.data();
    return otherPressed ? otherId : kIdOk;
}

}  // namespace

QString AppTitle() {
    return QStringLiteral("QL50");
}

int MessageBox(QWidget* parent, const QString& text, Icon icon, const QString& caption) {
    return ShowBox(parent, text, icon, caption);
}

int ChoiceBox(QWidget* parent, const QString& text, const QString& offer,
              const QString& otherButton, int otherId) {
    return ShowBox(parent, text, Icon::None, {}, offer, otherButton, otherId);
}

int ErrorBox(QWidget* parent, const QString& text, const QString& caption) {
    return MessageBox(parent, text, Icon::Error, caption);
}

}  // namespace ql50::ui
