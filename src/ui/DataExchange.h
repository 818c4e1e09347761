// Exchange between a dialog's members and its controls, in both directions, with the checks a
// dialog applies when it reads its controls back.
//
// Each helper names its control by id. Loading (members to controls) never fails. Saving
// (controls to members) stops at the first failed rule: it shows that rule's message in a
// message box, puts the focus on the control (selecting an edit's text), and every later helper
// of the same exchange does nothing, so the members after the failed one keep their values.
//
// Numbers are read the way the C library reads them, whatever the user's locale: blanks before
// and after are allowed, the decimal separator is the point, and a decimal comma is refused as
// not a number ("7,00" is not 7). Numbers are shown with a point as well.
#pragma once

#include <QDate>
#include <QString>
#include <QTime>
#include <cstdint>
#include <optional>

namespace ql50::ui {

class CDialog;

class DataExchange {
public:
    DataExchange(CDialog& dialog, bool save) : dialog_(dialog), save_(save) {}

    bool Saving() const { return save_; }
    bool Failed() const { return failed_; }

    // The control's text as it is (static, edit, button caption, group box title).
    void Text(int id, QString& value);
    // Whole number in decimal.
    void Number(int id, int& value);
    // General number format with up to 6 significant digits; read back rounded to single
    // precision (ParseSingle). At most the first 31 characters of the control are read.
    void Number(int id, float& value);
    // Up to 15 significant digits.
    void Number(int id, double& value);
    // A whole number from 0 to 255; anything else fails with ByteMessage().
    void Byte(int id, std::uint8_t& value);

    // Checks applied when saving, to a value the exchange has just read from control id.
    void Range(int id, int value, int min, int max);           // fails with IntRangeMessage
    void Range(int id, double value, double min, double max);  // fails with NumberRangeMessage
    // Loading limits typing in the edit to max characters (a longer text already there stays
    // whole, as under the framework's edit limit); saving refuses a longer text
    // (MaxCharsMessage).
    void MaxChars(int id, const QString& value, int max);

    // Check box: 1 checked, 0 not.
    void Check(int id, int& value);
    // Radio group whose first button is firstId: index of the checked button, -1 for none.
    void Radio(int firstId, int& index);
    // Drop-down list or list box: index of the selected entry, -1 for none.
    void Index(int id, int& index);
    // Time and date pickers.
    void Time(int id, QTime& value);
    void Date(int id, QDate& value);

    // A rule of the dialog's own failed: shows message, focuses id, stops the exchange.
    void Fail(int id, const QString& message);

    // The messages of the rules above (German, as the program's windows are).
    static QString IntegerMessage();
    static QString NumberMessage();
    static QString ByteMessage();
    static QString IntRangeMessage(int min, int max);
    static QString NumberRangeMessage(double min, double max);
    static QString MaxCharsMessage(int max);

private:
    bool Skip() const { return failed_; }
    QWidget* Control(int id) const;

    CDialog& dialog_;
    const bool save_;
    bool failed_ = false;
};

// The number readers of the exchange, for code that reads typed numbers itself: the whole text
// must be one number, blanks around it allowed; nullopt otherwise.
std::optional<long long> ParseInteger(const QString& text);
std::optional<double> ParseNumber(const QString& text);
// A number as ParseNumber reads it that stays finite in single precision, the form the module's
// float registers hold ("1e39" does not).
std::optional<float> ParseSingle(const QString& text);

}  // namespace ql50::ui
