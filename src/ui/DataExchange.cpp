#include "ui/DataExchange.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QLineEdit>
#include <QListWidget>
#include <QRegularExpression>
#include <cmath>
#include <limits>

#include "ui/CDialog.h"
#include "ui/Controls.h"
#include "ui/MessageBox.h"

namespace ql50::ui {
namespace {

// A float field reads at most this many characters, as the number buffer of the original
// exchange held 31 characters and its terminator.
constexpr int kNumberChars = 31;

}  // namespace

std::optional<long long> ParseInteger(const QString& text) {
    static const QRegularExpression integer(QStringLiteral("^[+-]?[0-9]+$"));
    const QString trimmed = text.trimmed();
    if (!integer.match(trimmed).hasMatch()) return std::nullopt;
    bool ok = false;
    const long long value = trimmed.toLongLong(&ok);
    return ok ? std::optional(value) : std::nullopt;
}

std::optional<double> ParseNumber(const QString& text) {
    static const QRegularExpression number(
        QStringLiteral("^[+-]?([0-9]+[.]?[0-9]*|[.][0-9]+)([eE][+-]?[0-9]+)?$"));
    const QString trimmed = text.trimmed();
    if (!number.match(trimmed).hasMatch()) return std::nullopt;
    bool ok = false;
    const double value = trimmed.toDouble(&ok);  // QString::toDouble reads the C format
    return ok && std::isfinite(value) ? std::optional(value) : std::nullopt;
}

std::optional<float> ParseSingle(const QString& text) {
    const auto number = ParseNumber(text);
    if (!number) return std::nullopt;
    const auto single = static_cast<float>(*number);
    return std::isfinite(single) ? std::optional(single) : std::nullopt;
}

QString DataExchange::IntegerMessage() {
    return QStringLiteral("Bitte eine ganze Zahl eingeben.");
}

QString DataExchange::NumberMessage() {
    return QStringLiteral("Bitte eine Zahl eingeben.");
}

QString DataExchange::ByteMessage() {
    return IntRangeMessage(0, 255);
}

QString DataExchange::IntRangeMessage(int min, int max) {
    return QStringLiteral("Bitte eine ganze Zahl zwischen %1 und %2 eingeben.").arg(min).arg(max);
}

QString DataExchange::NumberRangeMessage(double min, double max) {
    return QStringLiteral("Bitte eine Zahl zwischen %1 und %2 eingeben.")
        .arg(QString::number(min), QString::number(max));
}

QString DataExchange::MaxCharsMessage(int max) {
    return QStringLiteral("Bitte nicht mehr als %1 Zeichen eingeben.").arg(max);
}

QWidget* DataExchange::Control(int id) const {
    QWidget* control = dialog_.Item(id);
    if (control == nullptr) {
        qWarning("DataExchange: dialog %d has no control %d", dialog_.TemplateId(), id);
    }
    return control;
}

void DataExchange::Fail(int id, const QString& message) {
    if (Skip()) return;
    failed_ = true;
    MessageBox(&dialog_, message, Icon::Warning);
    QWidget* control = dialog_.Item(id);
    if (control == nullptr) return;
    control->setFocus(Qt::OtherFocusReason);
    if (auto* edit = qobject_cast<QLineEdit*>(control)) edit->selectAll();
}

void DataExchange::Text(int id, QString& value) {
    QWidget* control = Skip() ? nullptr : Control(id);
    if (control == nullptr) return;
    if (save_) {
        value = ControlText(control);
    } else {
        SetControlText(control, value);
    }
}

void DataExchange::Number(int id, int& value) {
    QWidget* control = Skip() ? nullptr : Control(id);
    if (control == nullptr) return;
    if (!save_) return SetControlText(control, QString::number(value));
    const auto parsed = ParseInteger(ControlText(control));
    if (!parsed || *parsed < std::numeric_limits<int>::min() ||
        *parsed > std::numeric_limits<int>::max()) {
        return Fail(id, IntegerMessage());
    }
    value = static_cast<int>(*parsed);
}

void DataExchange::Number(int id, float& value) {
    QWidget* control = Skip() ? nullptr : Control(id);
    if (control == nullptr) return;
    if (!save_) return SetControlText(control, QString::number(double{value}, 'g', 6));
    const auto parsed = ParseSingle(ControlText(control).left(kNumberChars));
    if (!parsed) return Fail(id, NumberMessage());
    value = *parsed;
}

void DataExchange::Number(int id, double& value) {
    QWidget* control = Skip() ? nullptr : Control(id);
    if (control == nullptr) return;
    if (!save_) return SetControlText(control, QString::number(value, 'g', 15));
    const auto parsed = ParseNumber(ControlText(control));
    if (!parsed) return Fail(id, NumberMessage());
    value = *parsed;
}

void DataExchange::Byte(int id, std::uint8_t& value) {
    QWidget* control = Skip() ? nullptr : Control(id);
    if (control == nullptr) return;
    if (!save_) return SetControlText(control, QString::number(value));
    const auto parsed = ParseInteger(ControlText(control));
    if (!parsed || *parsed < 0 || *parsed > 255) return Fail(id, ByteMessage());
    value = static_cast<std::uint8_t>(*parsed);
}

void DataExchange::Range(int id, int value, int min, int max) {
    if (save_ && (value < min || value > max)) Fail(id, IntRangeMessage(min, max));
}

void DataExchange::Range(int id, double value, double min, double max) {
    if (save_ && (value < min || value > max)) Fail(id, NumberRangeMessage(min, max));
}

void DataExchange::MaxChars(int id, const QString& value, int max) {
    if (Skip()) return;
    if (save_) {
        if (value.size() > max) Fail(id, MaxCharsMessage(max));
    } else if (auto* edit = qobject_cast<QLineEdit*>(Control(id))) {
        // A longer text the program put there (a 4-digit interval the module reported) is not
        // cut to a different number: it stays, and saving refuses it.
        edit->setMaxLength(std::max(max, static_cast<int>(edit->text().size())));
    }
}

void DataExchange::Check(int id, int& value) {
    auto* box = Skip() ? nullptr : qobject_cast<QAbstractButton*>(Control(id));
    if (box == nullptr) return;
    if (save_) {
        value = box->isChecked() ? 1 : 0;
    } else {
        box->setChecked(value != 0);
    }
}

void DataExchange::Radio(int firstId, int& index) {
    QButtonGroup* group = Skip() ? nullptr : dialog_.RadioGroupOf(firstId);
    if (group == nullptr) return;
    const QList<QAbstractButton*> buttons = group->buttons();
    if (save_) {
        index = static_cast<int>(buttons.indexOf(group->checkedButton()));
        return;
    }
    // An exclusive group cannot be emptied; -1 (or an index beyond the group) shows none.
    group->setExclusive(false);
    for (qsizetype i = 0; i < buttons.size(); ++i) buttons[i]->setChecked(i == index);
    group->setExclusive(true);
}

void DataExchange::Index(int id, int& index) {
    QWidget* control = Skip() ? nullptr : Control(id);
    if (auto* combo = qobject_cast<QComboBox*>(control)) {
        if (save_) {
            index = combo->currentIndex();
        } else {
            combo->setCurrentIndex(index);
        }
    } else if (auto* list = qobject_cast<QListWidget*>(control)) {
        if (save_) {
            index = list->currentRow();
        } else {
            list->setCurrentRow(index);
        }
    }
}

void DataExchange::Time(int id, QTime& value) {
    auto* picker = Skip() ? nullptr : qobject_cast<QDateTimeEdit*>(Control(id));
    if (picker == nullptr) return;
    if (save_) {
        value = picker->time();
    } else {
        picker->setTime(value);
    }
}

void DataExchange::Date(int id, QDate& value) {
    auto* picker = Skip() ? nullptr : qobject_cast<QDateTimeEdit*>(Control(id));
    if (picker == nullptr) return;
    if (save_) {
        value = picker->date();
    } else {
        picker->setDate(value);
    }
}

}  // namespace ql50::ui
