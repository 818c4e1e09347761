#include "ui/Controls.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QTimeEdit>

#include "ui/UpDownControl.h"

namespace ql50::ui {
namespace {

// Pickers show a four-digit year: a two-digit year field would turn "05" into 1905.
const QString kTimeFormat = QStringLiteral("HH:mm:ss");
const QString kDateFormat = QStringLiteral("dd.MM.yyyy");

// The program's texts end lines in LF CR as well as CR LF: a static shows either pair, and a
// lone CR, as one line break. The text as given stays readable through ControlText.
const char* const kGivenText = "ql50GivenText";

QString DisplayedLines(QString text) {
    static const QRegularExpression lineEnd(QStringLiteral("\r\n|\n\r|\r"));
    return text.replace(lineEnd, QStringLiteral("\n"));
}

void SetStaticText(QLabel* label, const QString& text) {
    label->setText(DisplayedLines(text));
    label->setProperty(kGivenText, text);
}

QString StaticText(const QLabel* label) {
    const QString given = label->property(kGivenText).toString();
    return DisplayedLines(given) == label->text() ? given : label->text();
}

QStringList Entries(const QString& text) {
    return text.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QLabel* MakeStatic(const QString& text, Qt::Alignment horizontal, unsigned style) {
    auto* label = new QLabel;
    SetStaticText(label, text);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    label->setAlignment(horizontal | Qt::AlignTop);
    if ((style & kSunken) != 0) label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    return label;
}

QLineEdit* MakeEdit(const QString& text, unsigned style) {
    auto* edit = new QLineEdit(text);
    edit->setReadOnly((style & kReadOnly) != 0);
    if ((style & kDigits) != 0) {
        edit->setValidator(
            new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), edit));
    }
    return edit;
}

QPushButton* MakeButton(const QString& text, bool isDefault) {
    auto* button = new QPushButton(text);
    button->setAutoDefault(true);
    button->setDefault(isDefault);
    return button;
}

QComboBox* MakeCombo(const QString& text) {
    auto* combo = new QComboBox;
    combo->addItems(Entries(text));
    combo->setCurrentIndex(-1);  // a fresh drop-down list has no selection
    return combo;
}

QListWidget* MakeList(const QString& text) {
    auto* list = new QListWidget;
    list->addItems(Entries(text));
    return list;
}

QProgressBar* MakeProgress() {
    auto* bar = new QProgressBar;
    bar->setTextVisible(false);
    bar->setRange(0, 100);
    bar->setValue(0);
    return bar;
}

QWidget* MakeTimePicker() {
    auto* picker = new QTimeEdit;
    picker->setDisplayFormat(kTimeFormat);
    return picker;
}

QWidget* MakeDatePicker() {
    auto* picker = new QDateEdit;
    picker->setDisplayFormat(kDateFormat);
    picker->setCalendarPopup(true);
    return picker;
}

QWidget* MakeWidget(const ControlTemplate& c) {
    const QString text = QString::fromUtf8(c.text != nullptr ? c.text : "");
    switch (c.kind) {
        case Ctl::Static:
            return MakeStatic(text, Qt::AlignLeft, c.style);
        case Ctl::StaticRight:
            return MakeStatic(text, Qt::AlignRight, c.style);
        case Ctl::StaticCenter:
            return MakeStatic(text, Qt::AlignHCenter, c.style);
        case Ctl::Button:
            return MakeButton(text, false);
        case Ctl::DefButton:
            return MakeButton(text, true);
        case Ctl::Edit:
            return MakeEdit(text, c.style);
        case Ctl::GroupBox:
            return new QGroupBox(text);
        case Ctl::Radio:
            return new QRadioButton(text);
        case Ctl::Check:
            return new QCheckBox(text);
        case Ctl::Combo:
            return MakeCombo(text);
        case Ctl::ListBox:
            return MakeList(text);
        case Ctl::Progress:
            return MakeProgress();
        case Ctl::UpDown:
            return new UpDownControl;
        case Ctl::TimePicker:
            return MakeTimePicker();
        case Ctl::DatePicker:
            return MakeDatePicker();
        case Ctl::Icon:
            return MakeStatic(QString(), Qt::AlignLeft, 0);
    }
    return new QWidget;
}

// Picks the entry with exactly this text, or none.
void SelectEntry(QComboBox* combo, const QString& text) {
    combo->setCurrentIndex(combo->findText(text, Qt::MatchExactly));
}

void SelectEntry(QListWidget* list, const QString& text) {
    const auto found = list->findItems(text, Qt::MatchExactly);
    list->setCurrentRow(found.isEmpty() ? -1 : list->row(found.first()));
}

}  // namespace

QWidget* CreateControl(const ControlTemplate& control, QWidget* parent) {
    QWidget* widget = MakeWidget(control);
    widget->setParent(parent);
    widget->setObjectName(QString::number(control.id));
    widget->setAccessibleDescription(QString::number(control.id));
    if ((control.style & kDisabled) != 0) widget->setEnabled(false);
    if ((control.style & kHidden) != 0) widget->hide();
    return widget;
}

int ControlId(const QWidget* control) {
    bool ok = false;
    const int id = control->objectName().toInt(&ok);
    return ok ? id : -1;
}

QString ControlText(const QWidget* c) {
    if (const auto* w = qobject_cast<const QLabel*>(c)) return StaticText(w);
    if (const auto* w = qobject_cast<const QAbstractButton*>(c)) return w->text();
    if (const auto* w = qobject_cast<const QLineEdit*>(c)) return w->text();
    if (const auto* w = qobject_cast<const QGroupBox*>(c)) return w->title();
    if (const auto* w = qobject_cast<const QComboBox*>(c)) return w->currentText();
    if (const auto* w = qobject_cast<const QDateTimeEdit*>(c)) return w->text();
    if (const auto* w = qobject_cast<const QProgressBar*>(c)) return QString::number(w->value());
    if (const auto* w = qobject_cast<const UpDownControl*>(c)) return QString::number(w->Pos());
    if (const auto* w = qobject_cast<const QListWidget*>(c)) {
        return w->currentItem() != nullptr ? w->currentItem()->text() : QString();
    }
    return c->windowTitle();
}

void SetControlText(QWidget* c, const QString& text) {
    if (auto* w = qobject_cast<QLabel*>(c)) return SetStaticText(w, text);
    if (auto* w = qobject_cast<QAbstractButton*>(c)) return w->setText(text);
    if (auto* w = qobject_cast<QLineEdit*>(c)) return w->setText(text);
    if (auto* w = qobject_cast<QGroupBox*>(c)) return w->setTitle(text);
    if (auto* w = qobject_cast<QComboBox*>(c)) return SelectEntry(w, text);
    if (auto* w = qobject_cast<QListWidget*>(c)) return SelectEntry(w, text);
    if (auto* w = qobject_cast<QTimeEdit*>(c))
        return w->setTime(QTime::fromString(text, kTimeFormat));
    if (auto* w = qobject_cast<QDateEdit*>(c))
        return w->setDate(QDate::fromString(text, kDateFormat));
    if (auto* w = qobject_cast<QProgressBar*>(c)) return w->setValue(text.toInt());
    if (auto* w = qobject_cast<UpDownControl*>(c)) return w->SetPos(text.toInt());
    c->setWindowTitle(text);
}

QWidget* FindControl(QWidget* window, int id) {
    const QString name = QString::number(id);
    QList<QWidget*> pending{window};
    while (!pending.isEmpty()) {
        QWidget* parent = pending.takeFirst();
        for (QObject* child : parent->children()) {
            auto* widget = qobject_cast<QWidget*>(child);
            if (widget == nullptr || widget->isWindow()) continue;
            if (widget->objectName() == name) return widget;
            pending.append(widget);
        }
    }
    return nullptr;
}

}  // namespace ql50::ui
